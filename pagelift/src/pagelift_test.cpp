// The library as a client sees it: the exported functions of libpagelift.so,
// the command-line tool, and real files from other PDF writers.
#include "pagelift.h"

#include "test_pdf.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <optional>
#include <cstdlib>
#include <set>
#include <thread>

namespace pagelift {
namespace {

using testing::Exists;
using testing::Lines;
using testing::PagesPdf;
using testing::ReadFile;
using testing::TempFolder;
using testing::TestPdf;
using testing::WithoutCarriageReturns;

// Puts the options back to their load-time values when a test ends.
struct DefaultOptions {
    ~DefaultOptions() {
        SetTXTFormat(1);
        SetZoomRatio(100);
        SetPageSeparator(nullptr);
    }
};

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string Contains(const std::string& text, const std::string& part) {
    return text.find(part) == std::string::npos ? "missing: " + part : "";
}

std::string Output(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
    return out;
}

const std::string kTwoPages =
    PagesPdf({"BT /F1 12 Tf 72 720 Td (First line) Tj 0 -20 Td (second line) Tj ET",
              "BT /F1 12 Tf 72 720 Td (Page two) Tj 144 -40 Td (indented) Tj ET"})
        .Build();

TEST(Exports, AreExactlyTheFourFunctions) {
    std::set<std::string> names;
    std::string listing = Output("nm -D --defined-only " PAGELIFT_LIBRARY);
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        std::string line = listing.substr(start, end - start);
        size_t space = line.rfind(' ');
        if (!line.empty()) names.insert(line.substr(space + 1));
        start = end + 1;
    }
    EXPECT_EQ(names, (std::set<std::string>{"PAGELIFT", "SetPageSeparator", "SetTXTFormat", "SetZoomRatio"}));
}

TEST(PAGELIFT, RefusesMissingArgumentsAndLeavesTheOutput) {
    TempFolder folder;
    std::string out = folder.Write("out.txt", "keep");
    std::string in = folder.Write("in.pdf", kTwoPages);
    EXPECT_EQ(PAGELIFT(nullptr, out.c_str()), 0);
    EXPECT_EQ(PAGELIFT(in.c_str(), nullptr), 0);
    EXPECT_EQ(PAGELIFT("", out.c_str()), 0);
    EXPECT_EQ(PAGELIFT(in.c_str(), ""), 0);
    EXPECT_EQ(ReadFile(out), "keep");
}

TEST(PAGELIFT, ChoosesTheRouteByExtension) {
    TempFolder folder;
    ScopedEnv path("PATH", folder.path().string());  // no office converter on the path
    struct Case {
        std::string input, output;
        int32_t result;
        bool written;
        std::string content;
    } cases[] = {
        {"in.PDF", "out.TXT", 1, true, kTwoPages},
        {"in.pdf", "out.text", 1, true, kTwoPages},
        {"in.xyz", "out.txt", 1, false, kTwoPages},
        {"in.doc", "out.txt", 1, false, "not converted without an office program"},
        {"in.pdf", "out.txt", 0, false, std::string(kTwoPages).replace(5, 3, "1.5")},
        {"in.pdf", "out.txt", 0, false, "not a pdf"},
        {"missing.pdf", "out.txt", 0, false, ""},
    };
    for (const Case& c : cases) {
        std::string in = c.input == "missing.pdf" ? folder.File("missing.pdf") : folder.Write(c.input, c.content);
        std::string out = folder.Write(c.output, "old");
        EXPECT_EQ(PAGELIFT(in.c_str(), out.c_str()), c.result) << c.input;
        EXPECT_EQ(Exists(out), c.written) << c.input;
        if (c.written) {
            std::string text = ReadFile(out);
            EXPECT_EQ(text.rfind("filename     : ", 0) == 0, c.output == "out.TXT") << c.output;
            EXPECT_EQ(Contains(text, "Page two"), "");
        }
        std::filesystem::remove(in);
    }
}

TEST(PAGELIFT, WritesTheReportSeparatorsAndGrid) {
    DefaultOptions restore;
    TempFolder folder;
    std::string in = folder.Write("in.pdf", kTwoPages);
    std::string out = folder.File("out.txt");
    ASSERT_EQ(PAGELIFT(in.c_str(), out.c_str()), 1);
    const std::string sep = "-------------------------------------------------------------";
    // 72 points are 100 units at the default zoom: column 18. Page 1 has rows
    // 3 and 4 (height 27), so three empty rows give one blank line; page 2
    // has rows 1 and 2 (height 55) and a grid 55 columns wide, where
    // "indented" starts in the last column and piles up there.
    const std::string pad(18, ' ');
    std::string expected = "filename     : " + in +
                           "\ntitle        : \nauthor       : \nkeywords     : \ncreator      : \n"
                           "producer     : \ncreated date : \nmodify date  : \nSavedBy      : \n"
                           "encrypt      : No\nversion      : 1.4\nfilesize     : " +
                           std::to_string(kTwoPages.size()) + "\npage count   : 2\n\n\n" +
                           "\n\n" + sep + " page 1\n\n" +
                           "\n" + pad + "First line\n" + pad + "second line\n\n" +
                           "\n\n" + sep + " page 2\n\n" +
                           pad + "Page two" + std::string(29, ' ') + "\n" + std::string(54, ' ') + "indented\n\n";
    std::string stored = ReadFile(out);
    EXPECT_EQ(WithoutCarriageReturns(stored), expected);
    EXPECT_EQ(std::count(stored.begin(), stored.end(), '\r'), std::count(stored.begin(), stored.end(), '\n'));
}

TEST(PAGELIFT, SettersChangeTheFollowingConversions) {
    DefaultOptions restore;
    TempFolder folder;
    std::string in = folder.Write("in.pdf", kTwoPages);
    std::string out = folder.File("out.txt");
    EXPECT_EQ(SetTXTFormat(0), 1);
    EXPECT_EQ(SetZoomRatio(72), 100);
    SetPageSeparator("====");
    ASSERT_EQ(PAGELIFT(in.c_str(), out.c_str()), 1);
    std::string text = WithoutCarriageReturns(ReadFile(out));
    EXPECT_EQ(Contains(text, "\n\n==== page 2\n\nPage two\nindented\n\n"), "");
    EXPECT_EQ(Contains(text, "\n\n==== page 1\n\nFirst line\nsecond line\n\n"), "");

    EXPECT_EQ(SetTXTFormat(1), 0);
    EXPECT_EQ(SetZoomRatio(72), 72);
    SetPageSeparator("");
    ASSERT_EQ(PAGELIFT(in.c_str(), out.c_str()), 1);
    text = WithoutCarriageReturns(ReadFile(out));
    EXPECT_EQ(Contains(text, "---- page 1\n\n\n" + std::string(13, ' ') + "First line"), "");  // 72 pt: column 13
}

TEST(PAGELIFT, HtmlOutputIsOneFilePerPage) {
    TempFolder folder;
    std::string in = folder.Write("in.pdf", kTwoPages);
    for (std::string name : {"my out.htm", "out.HTML"}) {
        std::string out = folder.Write(name, "old");
        ASSERT_EQ(PAGELIFT(in.c_str(), out.c_str()), 1);
        EXPECT_FALSE(Exists(out));
        std::string stem = name.substr(0, name.find('.')), ext = name.substr(name.find('.'));
        std::string first = ReadFile(folder.File(stem + "0000" + ext));
        std::string second = ReadFile(folder.File(stem + "0001" + ext));
        std::string link = (stem == "my out" ? "my%20out" : stem);
        EXPECT_EQ(Contains(first, "<p><a href=\"" + link + "0001" + ext + "\">Next</a><p>\r\n"), "");
        EXPECT_EQ(Contains(second, "\">Previous</a><p>\r\n"), "");
        EXPECT_EQ(Contains(first, "<div style=\"position:absolute;top:100;left:100\"><nobr><span class=\"ft0\">"
                                  "First line</span></nobr></div>\r\n"),
                  "");
        EXPECT_EQ(second.substr(second.size() - 18), "</body>\r\n</html>\r\n");
        EXPECT_FALSE(Exists(folder.File(stem + "0002" + ext)));
    }
}

TEST(PAGELIFT, EncryptedDocumentsAreRefusedWithAMessage) {
    TestPdf pdf = PagesPdf({"BT ET"});
    pdf.trailer = " /Encrypt 99 0 R";
    TempFolder folder;
    std::string in = folder.Write("secret.pdf", pdf.Build());
    std::string out = folder.File("out.txt");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(PAGELIFT(in.c_str(), out.c_str()), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "'" + in + "' has been encrypted, please decrypt it first!\n");
    EXPECT_FALSE(Exists(out));
}

// A stand-in for LibreOffice that converts by writing a line naming its
// input, after waiting for a release file when asked to.
std::string FakeOffice(const TempFolder& folder) {
    std::string script = folder.Write("soffice",
                                      "#!/bin/sh\n"
                                      "fmt=$4; dir=$6; in=$7\n"
                                      "[ -n \"$FAKE_STARTED\" ] && : > \"$FAKE_STARTED\"\n"
                                      "while [ -n \"$FAKE_RELEASE\" ] && [ ! -e \"$FAKE_RELEASE\" ]; do sleep 0.05; done\n"
                                      "base=$(basename \"$in\"); base=${base%.*}\n"
                                      "printf '\\357\\273\\277converted %s to %s\\n' \"$base\" \"$fmt\" > \"$dir/$base.$fmt\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script;
}

struct OfficeOnPath {
    explicit OfficeOnPath(const TempFolder& folder)
        : path("PATH", (FakeOffice(folder), folder.path().string() + ":/usr/bin:/bin")) {}
    ScopedEnv path;
};

TEST(PAGELIFT, OfficeDocumentsGoToTheOfficeConverter) {
    TempFolder folder;
    OfficeOnPath office(folder);
    struct Case {
        std::string input, output, text;
    } cases[] = {
        {"letter.doc", "letter.txt", "converted letter to txt\n"},
        {"notes.RTF", "notes.text", "converted notes to txt\n"},
        {"page.htm", "page.html", "\xEF\xBB\xBF" "converted page to html\n"},
    };
    for (const Case& c : cases) {
        std::string in = folder.Write(c.input, "document");
        std::string out = folder.File(c.output);
        EXPECT_EQ(PAGELIFT(in.c_str(), out.c_str()), 1);
        EXPECT_EQ(ReadFile(out), c.text) << c.input;
    }
    // Only the inputs, outputs and the converter are left in the folder.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        EXPECT_NE(entry.path().filename().string().rfind(".pagelift", 0), 0u);
        ++files;
    }
    EXPECT_EQ(files, 7u);
}

TEST(PAGELIFT, TurnsAwayACallWhileAConversionRuns) {
    TempFolder folder;
    OfficeOnPath office(folder);
    ScopedEnv started("FAKE_STARTED", folder.File("started"));
    ScopedEnv release("FAKE_RELEASE", folder.File("release"));
    std::string doc = folder.Write("slow.doc", "document");
    std::string slowOut = folder.File("slow.txt");
    int32_t first = -1;
    std::thread running([&] { first = PAGELIFT(doc.c_str(), slowOut.c_str()); });
    while (!Exists(folder.File("started"))) std::this_thread::sleep_for(std::chrono::milliseconds(10));

    std::string in = folder.Write("in.pdf", kTwoPages);
    std::string out = folder.Write("out.txt", "keep");
    EXPECT_EQ(PAGELIFT(in.c_str(), out.c_str()), 0);
    EXPECT_EQ(ReadFile(out), "keep");

    folder.Write("release", "");
    running.join();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(PAGELIFT(in.c_str(), out.c_str()), 1);
}

TEST(Tool, ConvertsWithItsOptions) {
    TempFolder folder;
    std::string in = folder.Write("in.pdf", kTwoPages);
    std::string out = folder.File("out.txt");
    std::string tool = PAGELIFT_CONVERT;
    auto status = [](const std::string& command) {
        int s = std::system((command + " 2>/dev/null").c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    EXPECT_EQ(status(tool + " '" + in + "' '" + out + "' --line --zoom 72 --separator '* *'"), 0);
    EXPECT_EQ(Contains(WithoutCarriageReturns(ReadFile(out)), "\n\n* * page 2\n\nPage two\nindented\n"), "");
    EXPECT_EQ(status(tool + " '" + folder.Write("bad.pdf", "%PDF-1.7") + "' '" + out + "'"), 1);
    EXPECT_EQ(status(tool + " only-one-path"), 2);
    EXPECT_EQ(status(tool + " a b --zoom x"), 2);
    EXPECT_EQ(status(tool + " a b --unknown"), 2);
}

TEST(RealFiles, TextFromOtherWritersComesThrough) {
    struct Case {
        std::string file;
        std::vector<std::string> lines;  // lines of the layout text, spaces squeezed
    } cases[] = {
        {"ghostscript.pdf",
         {"Ghostscript wrote this page.", "Second line with (parentheses) and a backslash \\ here.",
          "Left column Right column"}},
        {"cairo.pdf",
         {"Cairo wrote this line.", "Subset fonts map through ToUnicode: office, fluffy.",
          "\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9 text survives."}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        std::string out = folder.File("out.txt");
        ASSERT_EQ(PAGELIFT((std::string(PAGELIFT_TESTDATA) + "/" + c.file).c_str(), out.c_str()), 1);
        std::vector<std::string> lines = Lines(WithoutCarriageReturns(ReadFile(out)));
        for (const std::string& expected : c.lines)
            EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << c.file << ": " << expected;
    }
    // Qt places every glyph on its own; its accented letters come through its map.
    TempFolder folder;
    std::string out = folder.File("out.txt");
    ASSERT_EQ(PAGELIFT(PAGELIFT_TESTDATA "/qt.pdf", out.c_str()), 1);
    std::string text = ReadFile(out);
    for (const char* word : {"Caf\xC3\xA9", "d\xC3\xA9j\xC3\xA0", "na\xC3\xAFve", "fa\xC3\xA7" "ade"})
        EXPECT_EQ(Contains(text, word), "");
}

TEST(RealFiles, CutAndDamagedCopiesAreHandled) {
    const std::string original = ReadFile(PAGELIFT_TESTDATA "/cairo.pdf");
    TempFolder folder;
    std::string in = folder.File("in.pdf");
    // Cut at many points, and with a run of bytes overwritten at many points;
    // every copy converts or is refused, in both output forms, and nothing but
    // the outputs appears in the folder.
    for (size_t at = 0; at < original.size(); at += 89) {
        for (bool cut : {true, false}) {
            std::string copy = cut ? original.substr(0, at) : original;
            if (!cut) copy.replace(at, std::min<size_t>(16, copy.size() - at), 16, '\xFF');
            folder.Write("in.pdf", copy);
            for (const char* name : {"out.txt", "out.htm"}) {
                std::string out = folder.File(name);
                int32_t result = PAGELIFT(in.c_str(), out.c_str());
                EXPECT_TRUE(result == 0 || result == 1);
            }
            for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
                std::string file = entry.path().filename().string();
                EXPECT_TRUE(file == "in.pdf" || file.rfind("out", 0) == 0) << file;
            }
        }
    }
}

}  // namespace
}  // namespace pagelift
