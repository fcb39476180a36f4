// Test helpers: small PDF files written as text, a temporary folder, and
// conversions run on them.
#pragma once

#include "conversion.h"
#include "model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pagelift::testing {

// Assembles a PDF from object bodies with a correct cross-reference table.
// Object n is objects[n - 1].
struct TestPdf {
    std::string version = "1.4";
    std::vector<std::string> objects;
    std::string trailer;  // extra trailer entries
    int root = 1;

    int Add(std::string body) {
        objects.push_back(std::move(body));
        return static_cast<int>(objects.size());
    }

    static std::string Stream(const std::string& data, const std::string& dict = "") {
        return "<< /Length " + std::to_string(data.size()) + (dict.empty() ? "" : " " + dict) +
               " >>\nstream\n" + data + "\nendstream";
    }

    std::string Build() const {
        std::string out = "%PDF-" + version + "\n%\xE2\xE3\xCF\xD3\n";
        std::vector<size_t> offsets;
        for (size_t i = 0; i < objects.size(); ++i) {
            offsets.push_back(out.size());
            out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        }
        size_t xref = out.size();
        out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
        for (size_t offset : offsets) {
            char line[32];
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
            out += line;
        }
        out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root " +
               std::to_string(root) + " 0 R" + trailer + " >>\nstartxref\n" + std::to_string(xref) +
               "\n%%EOF\n";
        return out;
    }
};

// A document whose pages each show one content stream; `fonts` is the body
// of the page's /Font dictionary and `extra` further objects (numbered after
// the pages, their contents and the standard font 3).
inline TestPdf PagesPdf(const std::vector<std::string>& contents, const std::string& fonts = "/F1 3 0 R",
                        const std::string& pageExtra = "") {
    TestPdf pdf;
    pdf.Add("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (size_t i = 0; i < contents.size(); ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
    pdf.Add("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(contents.size()) +
            " /MediaBox [0 0 612 792] >>");
    pdf.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (size_t i = 0; i < contents.size(); ++i) {
        pdf.Add("<< /Type /Page /Parent 2 0 R /Resources << /Font << " + fonts + " >> >> /Contents " +
                std::to_string(5 + 2 * i) + " 0 R " + pageExtra + ">>");
        pdf.Add(TestPdf::Stream(contents[i]));
    }
    return pdf;
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pagelift-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }

private:
    std::filesystem::path path_;
};

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string WithoutCarriageReturns(std::string s) {
    std::erase(s, '\r');
    return s;
}

// Converts `pdf` to "out.txt" and returns the output with LF line ends and
// without the report at its head (everything before the first separator).
inline std::string ExtractText(const std::string& pdf, const Options& options = {}) {
    TempFolder folder;
    std::string in = folder.Write("in.pdf", pdf);
    std::string out = folder.File("out.txt");
    EXPECT_EQ(Convert(in, out, options), 1);
    std::string text = WithoutCarriageReturns(ReadFile(out));
    size_t first = text.find("\n\n---");
    return first == std::string::npos ? text : text.substr(first);
}

// The lines of `text` with runs of spaces squeezed and without empty lines,
// for checks that look at words rather than at columns.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    auto flush = [&] {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        line.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            flush();
        } else if (c == ' ') {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else {
            line += c;
        }
    }
    flush();
    return lines;
}

}  // namespace pagelift::testing
