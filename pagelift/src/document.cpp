// The file layer: header, cross-reference, trailer, objects, information
// dictionary and page tree. The whole input is read into memory once; the line
// reader and every object load then work on that copy with plain offsets.
#include "document.h"

#include "syntax.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <set>

namespace pagelift {
namespace {

// A dictionary whose brackets never balance stops growing here instead of
// swallowing the rest of a large file on every load.
constexpr size_t kMaxDictText = 4 << 20;
// A page tree deeper than this is taken to be a loop through distinct objects.
constexpr int kMaxTreeDepth = 100;
// Bytes between an array object's offset and its '[', and the array's length.
constexpr size_t kMaxArrayLead = 1024;
constexpr size_t kMaxArrayText = 1 << 20;

bool ReadWholeFile(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    std::fclose(f);
    return true;
}

size_t CountOf(std::string_view line, std::string_view what) {
    size_t count = 0;
    for (size_t at = line.find(what); at != std::string_view::npos; at = line.find(what, at + 2))
        ++count;
    return count;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The first data byte of a stream follows the end-of-line after its keyword:
// CR LF or LF (a lone CR is tolerated). Data that itself begins with CR or LF
// keeps that byte.
size_t StreamDataStart(const PdfDocument& doc, size_t afterKeyword, size_t afterLine) {
    const std::string& d = doc.data;
    size_t p = afterKeyword;
    if (p < d.size() && d[p] == '\r') {
        ++p;
        if (p < d.size() && d[p] == '\n') ++p;
        return p;
    }
    if (p < d.size() && d[p] == '\n') return p + 1;
    if (p >= d.size()) return d.size();
    return afterLine;  // bytes after the keyword on its line: data starts on the next line
}

bool EntryOffset(const PdfDocument& doc, int32_t number, size_t& offset) {
    const auto& entries = doc.xref.entries;
    if (number < 0 || static_cast<size_t>(number) >= entries.size()) return false;
    if (entries[number].offset < 0) return false;
    offset = static_cast<size_t>(entries[number].offset);
    return true;
}

// The value of an indirect /Length: the integer after "obj" when the object
// is written on one line, otherwise the integer that starts the next line.
int32_t ReferencedLength(PdfDocument& doc, int32_t number) {
    size_t offset;
    if (!EntryOffset(doc, number, offset)) return 0;
    doc.pos = offset;
    std::string_view first = ReadLine(doc);
    size_t obj = first.find("obj");
    if (obj != std::string_view::npos) {
        int32_t value;
        size_t at = obj + 3;
        if (ReadInt(first, at, value)) return value;
    }
    std::string_view second = ReadLine(doc);
    return IntAt(second, 0);
}

size_t TableCap(const PdfDocument& doc) { return doc.data.size() / 16 + 4096; }

void GrowTable(PdfDocument& doc, int64_t size) {
    auto& entries = doc.xref.entries;
    if (size > static_cast<int64_t>(TableCap(doc))) size = static_cast<int64_t>(TableCap(doc));
    if (size > static_cast<int64_t>(entries.size())) entries.resize(static_cast<size_t>(size));
}

// One cross-reference section at doc.pos; `prev` receives its /Prev offset.
int32_t ReadXrefSection(PdfDocument& doc, int32_t& prev, bool& infoSet, bool& encryptSet) {
    XrefTable& table = doc.xref;
    prev = 0;
    const size_t start = doc.pos;
    if (!StartsWith(ReadLine(doc), "xref")) return 0;

    // Blank lines before "trailer" are passed over; only the end of the file
    // ends the search.
    size_t trailerAt = std::string::npos;
    for (;;) {
        size_t lineStart = doc.pos;
        std::string_view line = ReadLine(doc);
        if (StartsWith(line, "trailer")) {
            trailerAt = lineStart;
            break;
        }
        if (line.empty() && AtEnd(doc)) break;
    }
    if (trailerAt == std::string::npos) return 0;

    // The dictionary may open on the "trailer" line itself.
    doc.pos = trailerAt + 7;
    PdfObject trailer = LoadObjectHere(doc);
    int32_t size = 0;
    if (trailer.loaded) {
        const std::string& t = trailer.dict;
        if (auto v = ValueOf(trailer, "/Root"); v && table.root == 0) table.root = IntAt(t, *v);
        if (auto v = ValueOf(trailer, "/Encrypt"); v && !encryptSet) {
            encryptSet = true;
            if (!StartsWith(std::string_view(t).substr(*v), "null")) table.encrypted = 1;
        }
        if (auto v = ValueOf(trailer, "/Info"); v && !infoSet) {
            infoSet = true;
            table.info = IntAt(t, *v, -1);
        }
        if (auto v = ValueOf(trailer, "/Size")) size = IntAt(t, *v);
        if (auto v = ValueOf(trailer, "/Prev")) prev = IntAt(t, *v);
    }
    if (size <= 0) return 0;
    if (table.entries.empty()) GrowTable(doc, size);

    doc.pos = start;
    ReadLine(doc);
    for (;;) {
        std::string_view line = ReadLine(doc);
        if (line.empty()) {
            if (AtEnd(doc)) break;
            continue;
        }
        if (StartsWith(line, "trailer")) break;
        size_t at = 0;
        int32_t first = 0, count = 0;
        if (!ReadInt(line, at, first) || !ReadInt(line, at, count)) first = count = 0;
        if (first < 0 || count < 0) first = count = 0;
        GrowTable(doc, int64_t{first} + count);
        for (int32_t k = 0; k < count; ++k) {
            std::string_view entry = ReadLine(doc);
            if (entry.empty()) break;
            size_t p = 0;
            int32_t offset, generation;
            if (!ReadInt(entry, p, offset) || !ReadInt(entry, p, generation)) continue;
            p = SkipWhite(entry, p);
            if (p >= entry.size()) continue;
            size_t index = static_cast<size_t>(int64_t{first} + k);
            if (index >= table.entries.size() || table.entries[index].type != 0) continue;
            table.entries[index] = {offset, generation, static_cast<unsigned char>(entry[p])};
        }
    }
    return static_cast<int32_t>(table.entries.size());
}

void AddPage(PdfDocument& doc, int32_t number, const Rect& box) {
    PageRecord page;
    page.document = &doc;
    page.objectNumber = number;
    page.index = static_cast<int32_t>(doc.pages.size());
    page.state.mediaBox = box;
    doc.pages.push_back(std::move(page));
}

void Walk(PdfDocument& doc, const PdfObject& node, std::set<int32_t>& seen, int depth) {
    if (depth > kMaxTreeDepth) return;
    auto kidsAt = LookupKey(node, "/Kids");
    if (!kidsAt) return;
    const std::string& text = node.dict;
    size_t p = SkipWhite(text, *kidsAt);
    std::vector<int32_t> kids;
    if (p < text.size() && text[p] == '[') {
        size_t close = text.find(']', p + 1);
        if (close == std::string::npos) close = text.size();
        kids = ScanReferences(std::string_view(text).substr(p + 1, close - p - 1));
    } else if (p < text.size() && IsDigit(static_cast<unsigned char>(text[p]))) {
        PdfObject array;
        if (LoadReferenceArray(doc, IntAt(text, p), array)) kids = std::move(array.references);
    }

    Rect box;
    if (auto at = LookupKey(node, "/MediaBox")) ReadMediaBox(text, *at, box);

    for (int32_t kid : kids) {
        // A node or page reached a second time is a loop in a damaged tree.
        if (!seen.insert(kid).second) continue;
        PdfObject child = LoadObject(doc, kid);
        if (child.dict.find("/Pages") != std::string::npos)
            Walk(doc, child, seen, depth + 1);
        else
            AddPage(doc, kid, box);
    }
}

}  // namespace

std::string_view ReadLine(PdfDocument& doc) {
    const char* base = doc.data.data();
    const size_t n = doc.data.size();
    size_t p = doc.pos < n ? doc.pos : n;
    const size_t start = p;
    while (p < n && base[p] != '\r' && base[p] != '\n') ++p;
    std::string_view line(base + start, p - start);
    if (p < n) {
        ++p;
        if (p < n && (base[p] == '\r' || base[p] == '\n')) ++p;
    }
    doc.pos = p;
    return line;
}

bool OpenDocument(PdfDocument& doc, const std::string& path) {
    doc.inputPath = path;
    if (!ReadWholeFile(path, doc.data)) return false;
    const std::string_view data = doc.data;

    std::string_view head = data.substr(0, 1024);
    if (!StartsWith(head, "%PDF-")) return false;
    size_t v = 5;
    while (v < head.size() && (IsDigit(static_cast<unsigned char>(head[v])) || head[v] == '.')) ++v;
    double version = 0;
    auto parsed = std::from_chars(head.data() + 5, head.data() + v, version);
    if (parsed.ec != std::errc() || version < 1.0 || version > 1.4) return false;
    doc.version = version;

    std::string_view tail = data.substr(data.size() > 1024 ? data.size() - 1024 : 0);
    size_t eof = tail.rfind("%%EOF");
    if (eof == std::string_view::npos || eof == 0) return false;
    size_t startxref = tail.rfind("startxref", eof - 1);
    if (startxref == std::string_view::npos) return false;
    int32_t offset = 0;
    if (startxref + 10 <= tail.size()) offset = IntAt(tail, startxref + 10);
    if (offset < 0) return false;
    doc.pos = static_cast<size_t>(offset);

    if (ReadXref(doc) == 0) return false;
    ReadInfo(doc);
    CollectPages(doc, doc.xref.root);
    doc.pageCount = static_cast<int32_t>(doc.pages.size());

    if (doc.encrypted) {
        std::fprintf(stderr, "'%s' has been encrypted, please decrypt it first!\n", path.c_str());
        return false;
    }
    return true;
}

int32_t ReadXref(PdfDocument& doc) {
    std::set<size_t> seen;
    bool infoSet = false, encryptSet = false;
    size_t offset = doc.pos;
    bool newest = true;
    while (seen.insert(offset).second) {
        doc.pos = offset;
        int32_t prev = 0;
        int32_t result = ReadXrefSection(doc, prev, infoSet, encryptSet);
        if (newest && result == 0) return 0;
        newest = false;
        if (prev <= 0) break;
        offset = static_cast<size_t>(prev);
    }
    return static_cast<int32_t>(doc.xref.entries.size());
}

PdfObject LoadObject(PdfDocument& doc, int32_t number) {
    size_t offset;
    if (!EntryOffset(doc, number, offset)) return {};
    doc.pos = offset;
    return LoadObjectHere(doc);
}

PdfObject LoadObjectHere(PdfDocument& doc) {
    PdfObject obj;
    const size_t open = doc.data.find("<<", doc.pos);
    if (open == std::string::npos) return obj;
    obj.loaded = true;

    // The first line is "<<" and the rest of its file line.
    doc.pos = open + 2;
    std::string_view rest = ReadLine(doc);
    std::string_view line(doc.data.data() + open, 2 + rest.size());
    size_t lineEnd = open + line.size();
    size_t afterLine = doc.pos;
    int64_t depth = 0;
    for (;;) {
        depth += static_cast<int64_t>(CountOf(line, "<<")) - static_cast<int64_t>(CountOf(line, ">>"));
        if (depth != 0) {
            if (!line.empty()) {
                obj.dict.append(line);
                obj.dict += '\n';
            }
            size_t lineStart = doc.pos;
            line = ReadLine(doc);
            lineEnd = lineStart + line.size();
            afterLine = doc.pos;
            if ((line.empty() && AtEnd(doc)) || obj.dict.size() > kMaxDictText) break;
            continue;
        }
        size_t last = line.rfind('>');
        if (last != std::string_view::npos && last >= 1) obj.dict.append(line.substr(0, last));
        break;
    }

    size_t dataStart = std::string::npos;
    if (EndsWith(line, "stream")) {
        dataStart = StreamDataStart(doc, lineEnd, afterLine);
    } else {
        size_t lineStart = doc.pos;
        std::string_view next = ReadLine(doc);
        if (StartsWith(next, "stream")) dataStart = StreamDataStart(doc, lineStart + 6, doc.pos);
    }
    if (dataStart == std::string::npos) return obj;

    int32_t length = 0;
    if (auto v = ValueOf(obj, "/Length")) {
        if (IsReference(obj.dict, *v))
            length = ReferencedLength(doc, IntAt(obj.dict, *v));
        else
            length = IntAt(obj.dict, *v);
    }
    // A /Length past the end of the file takes what the file holds.
    if (length > 0 && dataStart < doc.data.size()) {
        size_t n = std::min(static_cast<size_t>(length), doc.data.size() - dataStart);
        obj.stream.assign(doc.data, dataStart, n);
    }
    return obj;
}

bool LoadReferenceArray(PdfDocument& doc, int32_t number, PdfObject& out) {
    out = PdfObject{};
    size_t p;
    if (!EntryOffset(doc, number, p)) return false;
    const std::string& d = doc.data;
    for (; p < d.size(); ++p) {
        if (d[p] == '[') break;
        if (d[p] == '<') return false;
    }
    if (p >= d.size()) return false;
    size_t close = d.find(']', p + 1);
    if (close == std::string::npos) close = d.size();
    out.loaded = true;
    out.references = ScanReferences(std::string_view(d).substr(p + 1, close - p - 1));
    return true;
}

std::string LoadArrayText(PdfDocument& doc, int32_t number) {
    size_t p;
    if (!EntryOffset(doc, number, p)) return {};
    const std::string_view d = doc.data;
    // The array follows the object's header closely; a dictionary or a far
    // search means the offset does not lead to one.
    const size_t limit = std::min(d.size(), p + kMaxArrayLead);
    for (; p < limit; ++p) {
        if (d[p] == '[') break;
        if (d[p] == '<') return {};
    }
    if (p >= limit) return {};
    const size_t open = p + 1;
    int depth = 1;
    for (++p; p < d.size() && p - open < kMaxArrayText; ++p) {
        if (d[p] == '[') ++depth;
        if (d[p] == ']' && --depth == 0) break;
    }
    return std::string(d.substr(open, p - open));
}

std::vector<int32_t> ScanReferences(std::string_view t) {
    std::vector<int32_t> refs;
    size_t i = 0;
    while (i < t.size()) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if (c == ']') break;
        if (IsDigit(c)) {
            int32_t number = 0;
            ReadInt(t, i, number);
            refs.push_back(number);
            size_t r = t.find_first_of(std::string_view("R\0", 2), i);
            if (r == std::string_view::npos) break;
            i = r + 1;
            continue;
        }
        ++i;
    }
    return refs;
}

std::optional<size_t> LookupKey(const PdfObject& obj, std::string_view key) {
    if (!obj.loaded) return std::nullopt;
    size_t at = obj.dict.find(key);
    if (at == std::string::npos) return std::nullopt;
    return at + key.size();
}

std::optional<size_t> ValueOf(const PdfObject& obj, std::string_view key) {
    auto at = LookupKey(obj, key);
    if (!at) return std::nullopt;
    return SkipWhite(obj.dict, *at);
}

bool IsReference(std::string_view text, size_t pos) {
    size_t p = SkipSpaces(text, pos);
    while (p < text.size() && IsDigit(static_cast<unsigned char>(text[p]))) ++p;
    p = SkipSpaces(text, p);
    return p + 2 < text.size() && text[p] == '0' && text[p + 2] == 'R';
}

void ReadInfo(PdfDocument& doc) {
    doc.encrypted = doc.xref.encrypted;
    doc.fileSize = doc.data.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(doc.data.size());
    if (doc.xref.info == -1) return;
    PdfObject info = LoadObject(doc, doc.xref.info);
    if (!info.loaded) return;

    // Literal strings only; escapes keep the byte after the backslash as it is.
    auto read = [&info](std::string_view key, std::string& out) {
        out.clear();
        auto at = LookupKey(info, key);
        if (!at) return;
        const std::string& t = info.dict;
        size_t p = SkipWhite(t, *at);
        if (p >= t.size() || t[p] != '(') return;
        for (++p; p < t.size(); ++p) {
            char c = t[p];
            if (c == 0 || (c == ')' && t[p - 1] != '\\')) break;
            if (c != '\\') out += c;
        }
    };
    read("/Title", doc.title);
    read("/Keywords", doc.keywords);
    read("/Creator", doc.creator);
    read("/Author", doc.author);
    read("/CreationDate", doc.creationDate);
    read("/Producer", doc.producer);
    read("/ModDate", doc.modDate);
    read("/SavedBy", doc.savedBy);
}

void CollectPages(PdfDocument& doc, int32_t root) {
    PdfObject catalog = LoadObject(doc, root);
    auto pagesAt = ValueOf(catalog, "/Pages");
    if (!pagesAt) return;
    int32_t number = IntAt(catalog.dict, *pagesAt, -1);
    PdfObject top = LoadObject(doc, number);
    if (!top.loaded) return;
    std::set<int32_t> seen{number};
    Walk(doc, top, seen, 0);
}

bool ReadMediaBox(std::string_view text, size_t pos, Rect& box) {
    size_t p = SkipWhite(text, pos);
    if (p >= text.size() || text[p] != '[') return false;
    ++p;
    float* fields[] = {&box.x0, &box.y0, &box.x1, &box.y1};
    for (float* field : fields)
        if (!ReadReal(text, p, *field)) break;
    return true;
}

}  // namespace pagelift
