// Output writers. The formats are read by other programs, so every line,
// space and break below is part of the format.
#include "writers.h"

#include "content.h"
#include "syntax.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace pagelift {
namespace {

constexpr int kMaxGrid = 5000;
constexpr float kCellWidth = 5.5f;

std::string Padded(int32_t index) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d", index);
    return buffer;
}

size_t ComponentStart(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) return slash + 1;
    if (path.size() >= 2 && path[1] == ':') return 2;
    return 0;
}

bool IsHtml(std::string_view ext) {
    return ext.size() >= 4 && EqualsIgnoringCase(ext.substr(0, 4), ".htm");
}

}  // namespace

std::string_view ExtensionOf(std::string_view path) {
    std::string_view component = path.substr(ComponentStart(path));
    size_t dot = component.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : component.substr(dot);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

bool WriteText(const std::string& path, std::string_view text, bool append) {
    FILE* f = std::fopen(path.c_str(), append ? "ab" : "wb");
    if (!f) return false;
    std::string stored;
    stored.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') stored += '\r';
        stored += c;
    }
    bool ok = std::fwrite(stored.data(), 1, stored.size(), f) == stored.size();
    return std::fclose(f) == 0 && ok;
}

std::string InfoReport(const PdfDocument& doc) {
    char version[32];
    auto end = std::to_chars(version, version + sizeof version, doc.version, std::chars_format::fixed, 1).ptr;
    std::string r;
    r += "filename     : " + doc.inputPath + "\n";
    r += "title        : " + doc.title + "\n";
    r += "author       : " + doc.author + "\n";
    r += "keywords     : " + doc.keywords + "\n";
    r += "creator      : " + doc.creator + "\n";
    r += "producer     : " + doc.producer + "\n";
    r += "created date : " + doc.creationDate + "\n";
    r += "modify date  : " + doc.modDate + "\n";
    r += "SavedBy      : " + doc.savedBy + "\n";
    r += std::string("encrypt      : ") + (doc.encrypted ? "Yes" : "No") + "\n";
    r += "version      : " + std::string(version, end) + "\n";
    r += "filesize     : " + std::to_string(doc.fileSize) + "\n";
    r += "page count   : " + std::to_string(doc.pageCount) + "\n";
    r += "\n\n";
    return r;
}

void WriteInfoReport(const PdfDocument& doc) { WriteText(doc.outputPath, InfoReport(doc), false); }

std::string SeparatorLine(const std::string& label, int32_t index) {
    std::string page = std::to_string(int64_t{index} + 1);
    if (label.empty())
        return "\n\n------------------------------------------------------------- page " + page + "\n\n";
    return "\n\n" + label + " page " + page + "\n\n";
}

std::string PageFileName(std::string_view outputPath, int32_t index) {
    std::string_view ext = ExtensionOf(outputPath);
    if (!IsHtml(ext)) return {};
    // Only digits go in before the extension, so every page file stays in
    // the output's folder.
    return std::string(outputPath.substr(0, outputPath.size() - ext.size())) + Padded(index) +
           std::string(ext);
}

std::string PageLinkName(std::string_view outputPath, int32_t index) {
    std::string_view ext = ExtensionOf(outputPath);
    if (!IsHtml(ext)) return {};
    std::string_view component = outputPath.substr(ComponentStart(outputPath));
    std::string name = std::string(component.substr(0, component.size() - ext.size())) +
                       Padded(index) + std::string(ext);
    std::string link;
    for (char c : name) link += c == ' ' ? std::string("%20") : std::string(1, c);
    return link;
}

std::string HtmlPrologue(std::string_view outputPath, int32_t u, int32_t n) {
    std::string text =
        "<html>\n<head>\n<title></title>\n\n<style type=\"text/css\">\n<!--\n"
        ".ft0{font-size:12px;}\n-->\n</style>\n</head>\n\n";
    if (n <= 1) return text;
    text += "<p><a href=\"";
    if (u == 0) {
        text += PageLinkName(outputPath, 1) + "\">Next</a><p>\n";
    } else if (u == n - 1) {
        text += PageLinkName(outputPath, u - 1) + "\">Previous</a><p>\n";
    } else {
        text += PageLinkName(outputPath, u - 1) + "\">Previous</a>";
        text += " <a href=\"" + PageLinkName(outputPath, u + 1) + "\">Next</a><p>\n";
    }
    return text;
}

void WritePagePrelude(const PdfDocument& doc, PageRecord& page) {
    page.htmlFileName = PageFileName(doc.outputPath, page.index);
    if (page.htmlFileName.empty()) {
        WriteText(doc.outputPath, SeparatorLine(doc.pageSeparator, page.index));
        return;
    }
    std::remove(page.htmlFileName.c_str());
    WriteText(page.htmlFileName, HtmlPrologue(doc.outputPath, page.index, doc.pageCount));
}

void WritePageItems(const PdfDocument& doc, PageRecord& page) {
    MergeItems(page.items);
    if (!page.htmlFileName.empty())
        WriteHtmlItems(page);
    else if (doc.textFormat != 0)
        WriteLayoutText(doc, page);
    else
        WriteLineText(doc, page);
}

void WritePageEpilogue(const PageRecord& page) {
    if (!page.htmlFileName.empty()) WriteText(page.htmlFileName, "</body>\n</html>\n");
}

void MergeItems(std::vector<TextItem>& items) {
    if (items.size() < 2) return;
    size_t kept = 0;  // items[kept] is the one the next item is compared with
    for (size_t i = 1; i < items.size(); ++i) {
        TextItem& previous = items[kept];
        TextItem& current = items[i];
        bool join = previous.y == current.y && previous.height == current.height;
        int64_t gap = int64_t{current.x} - previous.x - previous.width;
        if (join && gap > 2 && gap > current.height / 2) join = false;
        if (!join) {
            if (++kept != i) items[kept] = std::move(current);
            continue;
        }
        if (gap > 2) previous.text += ' ';
        previous.text += current.text;
        previous.width = ClampToInt(int64_t{current.x} + current.width - previous.x);
    }
    items.resize(kept + 1);
}

float LineHeight(const std::vector<TextItem>& items) {
    if (items.empty()) return 10.5f;
    int64_t h = 1000;
    for (size_t i = 1; i < items.size(); ++i) {
        int64_t d = int64_t{items[i].y} - items[i - 1].y;
        if (d < 0) d = -d;
        if (d != 0 && d < h) h = d;
    }
    if (h <= 5) h = 5;
    return static_cast<float>(h);
}

std::string LayoutText(const std::vector<TextItem>& items) {
    if (items.empty()) return {};
    const float h = LineHeight(items);
    std::vector<std::pair<int32_t, int32_t>> cells(items.size());
    int32_t maxRow = 0, maxColumn = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        cells[i] = {CutToInt(static_cast<float>(items[i].y) / h),
                    CutToInt(static_cast<float>(items[i].x) / kCellWidth)};
        maxRow = std::max(maxRow, cells[i].first);
        maxColumn = std::max(maxColumn, cells[i].second);
    }
    const int32_t rows = std::min(maxRow + 1, kMaxGrid);
    const int32_t columns = std::min(maxColumn + 1, kMaxGrid);

    // A row's cells index into `pool` (0: empty); rows are laid out only
    // when an item lands in them.
    std::vector<std::vector<uint32_t>> grid(rows);
    std::vector<std::string> pool;
    std::vector<bool> filled(rows, false);
    for (size_t i = 0; i < items.size(); ++i) {
        auto [row, column] = cells[i];
        if (row < 0 || column < 0 || row >= rows || column >= columns) continue;
        std::vector<uint32_t>& line = grid[row];
        if (line.empty()) line.assign(columns, 0);
        int32_t c = column;
        while (c < columns && line[c] != 0) ++c;
        const std::string& text = items[i].text;
        int64_t k = 0;
        for (size_t b = 0; b < text.size(); ++k) {
            size_t n = CharLength(text, b);
            int32_t target = static_cast<int32_t>(std::min<int64_t>(c + k, columns - 1));
            if (line[target] == 0) {
                pool.emplace_back(text, b, n);
                line[target] = static_cast<uint32_t>(pool.size());
            } else {
                pool[line[target] - 1].append(text, b, n);
            }
            filled[row] = true;
            b += n;
        }
    }

    std::string out;
    int emptyRows = 0;
    for (int32_t r = 0; r < rows; ++r) {
        if (!filled[r]) {
            ++emptyRows;
            continue;
        }
        if (emptyRows >= 2) out += '\n';
        emptyRows = 0;
        for (uint32_t cell : grid[r]) {
            if (cell == 0)
                out += ' ';
            else
                out += pool[cell - 1];
        }
        out += '\n';
    }
    out += '\n';
    return out;
}

std::string LineText(const std::vector<TextItem>& items) {
    const float h = LineHeight(items);
    int32_t maxRow = 0;
    for (const TextItem& item : items)
        maxRow = std::max(maxRow, CutToInt(static_cast<float>(item.y) / h));
    std::string out;
    if (maxRow < kMaxGrid) {
        std::vector<std::string> rows(maxRow + 1);
        for (const TextItem& item : items) {
            int32_t row = CutToInt(static_cast<float>(item.y) / h);
            if (row >= 0 && row <= maxRow) rows[row] += item.text;
        }
        for (const std::string& row : rows) {
            if (row.empty()) continue;
            out += row;
            out += '\n';
        }
    }
    out += '\n';
    return out;
}

std::string HtmlItems(const std::vector<TextItem>& items) {
    std::string out;
    for (const TextItem& item : items) {
        const std::string& t = item.text;
        if (t.empty()) continue;
        unsigned char b0 = static_cast<unsigned char>(t[0]);
        bool printable = b0 >= 0x20 && b0 <= 0x7E;
        bool doubleByte = t.size() >= 2 && b0 >= 0x80 && static_cast<unsigned char>(t[1]) >= 0x80;
        if (!printable && !doubleByte) continue;
        out += "<div style=\"position:absolute;top:" + std::to_string(item.y) +
               ";left:" + std::to_string(item.x) + "\"><nobr><span class=\"ft0\">";
        out += t;
        out += "</span></nobr></div>\n";
    }
    out += "\n\n";
    return out;
}

void WriteLayoutText(const PdfDocument& doc, const PageRecord& page) {
    std::string text = LayoutText(page.items);
    if (!text.empty()) WriteText(doc.outputPath, text);
}

void WriteLineText(const PdfDocument& doc, const PageRecord& page) {
    WriteText(doc.outputPath, LineText(page.items));
}

void WriteHtmlItems(const PageRecord& page) { WriteText(page.htmlFileName, HtmlItems(page.items)); }

}  // namespace pagelift
