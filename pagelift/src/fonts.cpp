// Font resources, /ToUnicode maps and glyph widths. Maps are read line by
// line: a line that starts with '<' and holds three hexadecimal fields is a
// range, two fields a single code, anything else the range 0 0 0. Code-space
// lines decide how many bytes a code has.
#include "fonts.h"

#include "document.h"
#include "filters.h"
#include "glyphs.h"
#include "syntax.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pagelift {
namespace {

struct HexField {
    uint32_t value = 0;  // low 32 bits of the number
    int digits = 0;
    std::u16string units;  // the digits as UTF-16 units, four to a unit
};

// Reads "<hex>" after white space at `p`; false when no field starts there.
bool ReadHexField(std::string_view line, size_t& p, HexField& field) {
    size_t q = SkipWhite(line, p);
    if (q >= line.size() || line[q] != '<') return false;
    q = SkipWhite(line, q + 1);
    field = HexField{};
    uint32_t unit = 0;
    for (int h; q < line.size() && (h = HexValue(static_cast<unsigned char>(line[q]))) >= 0; ++q) {
        field.value = (field.value << 4) | static_cast<uint32_t>(h);
        unit = (unit << 4) | static_cast<uint32_t>(h);
        if (++field.digits % 4 == 0) {
            field.units += static_cast<char16_t>(unit);
            unit = 0;
        }
    }
    if (field.digits % 4 != 0) field.units += static_cast<char16_t>(unit << (4 * (4 - field.digits % 4)));
    if (q >= line.size() || line[q] != '>') return false;
    p = q + 1;
    return true;
}

// Reads up to `count` fields "<hex>" from the start of `line`; a field that
// does not parse and every field after it stay 0.
void ScanHexFields(std::string_view line, int count, uint32_t* values, int* digits = nullptr) {
    size_t p = 0;
    bool ok = true;
    for (int k = 0; k < count; ++k) {
        HexField field;
        ok = ok && ReadHexField(line, p, field);
        values[k] = ok ? field.value : 0;
        if (k == 0 && digits) *digits = ok ? field.digits : 0;
    }
}

// Every "<lo> <hi>" pair between begincodespacerange and endcodespacerange.
std::vector<CodeSpace> ReadCodeSpaces(std::string_view text) {
    std::vector<CodeSpace> spaces;
    size_t at = 0;
    while ((at = text.find("begincodespacerange", at)) != std::string_view::npos) {
        at += 19;
        size_t end = text.find("endcodespacerange", at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view section = text.substr(at, end - at);
        size_t p = section.find('<');
        while (p != std::string_view::npos) {
            uint32_t values[2];
            int digits = 0;
            ScanHexFields(section.substr(p), 2, values, &digits);
            if (digits > 0) spaces.push_back({std::clamp((digits + 1) / 2, 1, 4), values[0], values[1]});
            size_t close = section.find('>', p);
            if (close == std::string_view::npos) break;
            close = section.find('>', close + 1);
            if (close == std::string_view::npos) break;
            p = section.find('<', close + 1);
        }
        at = end;
    }
    return spaces;
}

// One mapping line: "<lo> <hi> <dst>", "<code> <dst>", or "<lo> <hi> [<d0>
// <d1> ...]" giving each code of the range its own destination. Any other
// line gives the range 0 0 0.
void ReadMappingLine(std::string_view line, CharMap& map) {
    auto add = [&map](uint32_t first, uint32_t last, const HexField& dst) {
        CodeRange range{static_cast<uint16_t>(first), static_cast<uint16_t>(last),
                        static_cast<uint16_t>(dst.value), -1};
        if (dst.units.size() > 1) {
            range.sequence = static_cast<int32_t>(map.sequences.size());
            map.sequences.push_back(dst.units);
        }
        map.ranges.push_back(range);
    };
    const auto brackets = std::count(line.begin(), line.end(), '<');
    size_t p = 0;
    HexField low, high, dst;
    if (brackets == 2) {
        bool ok = ReadHexField(line, p, low);
        if (ok && ReadHexField(line, p, dst)) {
            add(low.value, low.value, dst);
        } else {
            add(ok ? low.value : 0, ok ? low.value : 0, HexField{});
        }
        return;
    }
    if (brackets >= 3 && ReadHexField(line, p, low) && ReadHexField(line, p, high)) {
        size_t q = SkipWhite(line, p);
        if (brackets == 3) {
            if (!ReadHexField(line, p, dst)) dst = HexField{};
            add(low.value, high.value, dst);
            return;
        }
        if (q < line.size() && line[q] == '[') {
            ++q;
            for (uint32_t code = low.value; code <= high.value && ReadHexField(line, q, dst); ++code)
                add(code, code, dst);
            return;
        }
    }
    map.ranges.push_back({0, 0, 0, -1});
}

// Builds CharMap::lookup so that each code holds the value of the first range
// containing it; every code is written once whatever the ranges overlap.
void BuildLookup(CharMap& map) {
    bool oneByte = !map.codeSpaces.empty() &&
                   std::all_of(map.codeSpaces.begin(), map.codeSpaces.end(),
                               [](const CodeSpace& s) { return s.bytes == 1; });
    const size_t size = oneByte ? 256 : 65536;
    map.lookup.assign(size, CharMap::kUnmapped);
    std::vector<uint32_t> nextFree(size + 1);
    std::iota(nextFree.begin(), nextFree.end(), 0);
    auto find = [&nextFree](uint32_t c) {
        uint32_t root = c;
        while (nextFree[root] != root) root = nextFree[root];
        while (nextFree[c] != root) {
            uint32_t up = nextFree[c];
            nextFree[c] = root;
            c = up;
        }
        return root;
    };
    for (const CodeRange& r : map.ranges) {
        if (r.first > r.last || r.first >= size) continue;
        uint32_t last = std::min<uint32_t>(r.last, static_cast<uint32_t>(size - 1));
        for (uint32_t c = find(r.first); c <= last; c = find(c)) {
            if (r.sequence < 0) {
                map.lookup[c] = (r.unicode + (c - r.first)) & 0xFFFF;
            } else if (c == r.first) {
                map.lookup[c] = 0x10000 + static_cast<uint32_t>(r.sequence);
            } else {
                std::u16string units = map.sequences[r.sequence];
                units.back() = static_cast<char16_t>(units.back() + (c - r.first));
                map.lookup[c] = 0x10000 + static_cast<uint32_t>(map.sequences.size());
                map.sequences.push_back(std::move(units));
            }
            nextFree[c] = c + 1;
        }
    }
}

int CodeLength(const CharMap& map, std::string_view s, size_t i) {
    if (map.codeSpaces.empty()) return 2;
    for (int bytes = 1; bytes <= 4; ++bytes) {
        if (i + bytes > s.size()) break;
        for (const CodeSpace& space : map.codeSpaces) {
            if (space.bytes != bytes) continue;
            bool inside = true;
            for (int k = 0; k < bytes && inside; ++k) {
                int shift = 8 * (bytes - 1 - k);
                unsigned byte = static_cast<unsigned char>(s[i + k]);
                inside = byte >= ((space.low >> shift) & 0xFF) && byte <= ((space.high >> shift) & 0xFF);
            }
            if (inside) return bytes;
        }
    }
    return map.codeSpaces.front().bytes;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

// The glyph names of a font without a usable map: its /Encoding, inline or
// by reference, may rename codes in a /Differences array ("[2 /fi /fl 39
// /quoteright]"). Null when it renames none that are known.
std::shared_ptr<const GlyphNames> ReadDifferences(PdfDocument& doc, const std::string& fontDict) {
    size_t key = fontDict.find("/Encoding");
    if (key == std::string::npos) return nullptr;
    size_t p = SkipWhite(fontDict, key + 9);
    std::string encoding;
    if (IsReference(fontDict, p))
        encoding = LoadObject(doc, IntAt(fontDict, p)).dict;
    else if (StartsWith(std::string_view(fontDict).substr(p), "<<"))
        encoding = fontDict.substr(p);
    size_t at = encoding.find("/Differences");
    if (at == std::string::npos) return nullptr;
    p = SkipWhite(encoding, at + 12);
    if (p >= encoding.size() || encoding[p] != '[') return nullptr;

    auto names = std::make_shared<GlyphNames>(256);
    bool any = false;
    int32_t code = 0;
    for (++p; p < encoding.size() && encoding[p] != ']';) {
        unsigned char c = static_cast<unsigned char>(encoding[p]);
        if (c == '/') {
            size_t end = p + 1;
            while (end < encoding.size() && !IsWhite(static_cast<unsigned char>(encoding[end])) &&
                   !IsDelimiter(static_cast<unsigned char>(encoding[end])))
                ++end;
            std::string text = GlyphText(std::string_view(encoding).substr(p + 1, end - p - 1));
            if (code >= 0 && code < 256 && !text.empty()) {
                (*names)[code] = std::move(text);
                any = true;
            }
            ++code;
            p = end;
        } else if (IsDigit(c) || c == '-' || c == '+') {
            if (!ReadInt(encoding, p, code)) ++p;
        } else {
            ++p;
        }
    }
    return any ? names : nullptr;
}

// Widths are clamped to this many ems, and a /W array gives at most this
// many runs, so a hostile font cannot push text off the page or eat memory.
constexpr float kMaxWidth = 5.0f;
constexpr size_t kMaxRuns = size_t{1} << 16;

float ClampWidth(float v) {
    if (!(v >= 0)) return 0;
    return v > kMaxWidth ? kMaxWidth : v;
}

// Position just after `key` where it stands as a whole name, not as the start
// of a longer one (/W against /WMode); npos when there is none.
size_t FindKey(std::string_view text, std::string_view key) {
    for (size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
        size_t end = at + key.size();
        if (end >= text.size()) return end;
        unsigned char c = static_cast<unsigned char>(text[end]);
        if (IsWhite(c) || IsDelimiter(c)) return end;
    }
    return std::string_view::npos;
}

// The name value of `key` without its '/'; empty when the value is no name.
std::string_view NameValue(std::string_view text, std::string_view key) {
    size_t p = FindKey(text, key);
    if (p == std::string_view::npos) return {};
    p = SkipWhite(text, p);
    if (p >= text.size() || text[p] != '/') return {};
    size_t end = p + 1;
    while (end < text.size() && !IsWhite(static_cast<unsigned char>(text[end])) &&
           !IsDelimiter(static_cast<unsigned char>(text[end])))
        ++end;
    return text.substr(p + 1, end - p - 1);
}

// A direct number value; a reference to a number object is not followed.
bool NumberValue(std::string_view text, std::string_view key, float& out) {
    size_t p = FindKey(text, key);
    if (p == std::string_view::npos || IsReference(text, SkipWhite(text, p))) return false;
    return ReadReal(text, p, out);
}

// The inside of an array value, written in place or in an object of its own.
bool ArrayValue(PdfDocument& doc, std::string_view text, std::string_view key, std::string& out) {
    size_t p = FindKey(text, key);
    if (p == std::string_view::npos) return false;
    p = SkipWhite(text, p);
    if (p < text.size() && text[p] == '[') {
        int depth = 0;
        size_t end = p;
        for (; end < text.size(); ++end) {
            if (text[end] == '[') ++depth;
            if (text[end] == ']' && --depth == 0) break;
        }
        out.assign(text.substr(p + 1, end - p - 1));
        return true;
    }
    if (!IsReference(text, p)) return false;
    out = LoadArrayText(doc, IntAt(text, p));
    return !out.empty();
}

// Reads the numbers of an array's text one by one; anything that is not a
// number (null, a stray name) is one element with no value.
struct ArrayReader {
    enum Token { kEnd, kNumber, kOpen, kClose, kOther };
    std::string_view text;
    size_t p = 0;

    Token Next(float& value) {
        p = SkipWhite(text, p);
        if (p >= text.size()) return kEnd;
        const char c = text[p];
        if (c == '[' || c == ']') {
            ++p;
            return c == '[' ? kOpen : kClose;
        }
        if (IsNumberByte(static_cast<unsigned char>(c)) && ReadReal(text, p, value)) return kNumber;
        ++p;
        while (p < text.size() && !IsWhite(static_cast<unsigned char>(text[p])) &&
               !IsDelimiter(static_cast<unsigned char>(text[p])))
            ++p;
        return kOther;
    }
};

bool ToCode(float v, uint32_t& code) {
    if (!(v >= 0) || v > 4294967295.0f) return false;
    code = static_cast<uint32_t>(v);
    return true;
}

// /W: "c [w1 w2 ...]" gives codes from c on their widths, "c1 c2 w" gives
// the codes c1 to c2 one width. Elements that fit neither form are passed over.
std::vector<FontWidths::Run> ReadCidWidths(std::string_view text) {
    std::vector<FontWidths::Run> runs;
    ArrayReader reader{text};
    float first, value, width;
    for (ArrayReader::Token t; (t = reader.Next(first)) != ArrayReader::kEnd && runs.size() < kMaxRuns;) {
        if (t != ArrayReader::kNumber) continue;
        t = reader.Next(value);
        if (t == ArrayReader::kOpen) {
            uint32_t code = 0;
            bool valid = ToCode(first, code);
            while ((t = reader.Next(width)) != ArrayReader::kEnd && t != ArrayReader::kClose) {
                if (valid && t == ArrayReader::kNumber && runs.size() < kMaxRuns)
                    runs.push_back({code, code, ClampWidth(width * 0.001f)});
                valid = valid && code != 0xFFFFFFFF;
                ++code;
            }
        } else if (t == ArrayReader::kNumber && reader.Next(width) == ArrayReader::kNumber) {
            uint32_t low, high;
            if (ToCode(first, low) && ToCode(value, high) && low <= high)
                runs.push_back({low, high, ClampWidth(width * 0.001f)});
        }
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const FontWidths::Run& a, const FontWidths::Run& b) { return a.first < b.first; });
    return runs;
}

std::shared_ptr<const FontWidths> ReadCompositeWidths(PdfDocument& doc, std::string_view fontDict) {
    // Only an identity encoding makes the codes the glyph numbers /W lists.
    std::string_view encoding = NameValue(fontDict, "/Encoding");
    if (encoding != "Identity-H" && encoding != "Identity-V") return nullptr;
    size_t p = FindKey(fontDict, "/DescendantFonts");
    if (p == std::string_view::npos) return nullptr;
    p = SkipWhite(fontDict, p);
    std::vector<int32_t> descendants;
    if (p < fontDict.size() && fontDict[p] == '[') {
        descendants = ScanReferences(fontDict.substr(p + 1));
    } else if (IsReference(fontDict, p)) {
        PdfObject array;
        if (LoadReferenceArray(doc, IntAt(fontDict, p), array)) descendants = array.references;
    }
    if (descendants.empty()) return nullptr;
    const std::string descendant = LoadObject(doc, descendants.front()).dict;

    float defaultWidth = 1000;
    bool hasDefault = NumberValue(descendant, "/DW", defaultWidth);
    std::string w;
    bool hasW = ArrayValue(doc, descendant, "/W", w);
    if (!hasDefault && !hasW) return nullptr;
    auto widths = std::make_shared<FontWidths>();
    widths->composite = true;
    widths->fallback = ClampWidth(defaultWidth * 0.001f);
    if (hasW) widths->runs = ReadCidWidths(w);
    return widths;
}

std::shared_ptr<const FontWidths> ReadSimpleWidths(PdfDocument& doc, std::string_view fontDict) {
    std::string array;
    if (!ArrayValue(doc, fontDict, "/Widths", array)) return nullptr;
    float firstChar = 0;
    NumberValue(fontDict, "/FirstChar", firstChar);
    // Type 3 glyphs are measured in the units of their own font matrix.
    float scale = 0.001f;
    std::string matrix;
    if (NameValue(fontDict, "/Subtype") == "Type3" && ArrayValue(doc, fontDict, "/FontMatrix", matrix)) {
        size_t p = 0;
        float a;
        if (ReadReal(matrix, p, a) && a != 0) scale = std::fabs(a);
    }

    auto widths = std::make_shared<FontWidths>();
    widths->codes.assign(256, -1);
    ArrayReader reader{array};
    float value;
    double code = std::floor(firstChar);
    for (ArrayReader::Token t; code < 256 && (t = reader.Next(value)) != ArrayReader::kEnd; code += 1) {
        if (t == ArrayReader::kNumber && code >= 0)
            widths->codes[static_cast<size_t>(code)] = ClampWidth(value * scale);
    }

    size_t p = FindKey(fontDict, "/FontDescriptor");
    if (p != std::string_view::npos) {
        p = SkipWhite(fontDict, p);
        std::string descriptor;
        if (IsReference(fontDict, p))
            descriptor = LoadObject(doc, IntAt(fontDict, p)).dict;
        else if (StartsWith(fontDict.substr(p), "<<"))
            descriptor = fontDict.substr(p);
        float missing;
        if (NumberValue(descriptor, "/MissingWidth", missing)) widths->fallback = ClampWidth(missing * scale);
    }
    return widths;
}

}  // namespace

std::shared_ptr<const FontWidths> ReadWidths(PdfDocument& doc, std::string_view fontDict) {
    if (NameValue(fontDict, "/Subtype") == "Type0") return ReadCompositeWidths(doc, fontDict);
    return ReadSimpleWidths(doc, fontDict);
}

const FontEntry* CurrentFont(const TextState& state, const std::vector<FontEntry>& fonts) {
    for (const FontEntry& f : fonts)
        if (SameName(f.name, state.fontName)) return &f;
    return nullptr;
}

int FontCodeLength(const FontEntry& font, std::string_view shown, size_t i) {
    if (font.map && !font.map->codeSpaces.empty()) return CodeLength(*font.map, shown, i);
    return font.widths && font.widths->composite ? 2 : 1;
}

float GlyphWidth(const FontWidths& widths, uint32_t code) {
    if (!widths.composite) {
        if (code < widths.codes.size() && widths.codes[code] >= 0) return widths.codes[code];
        return widths.fallback;
    }
    auto after = std::upper_bound(widths.runs.begin(), widths.runs.end(), code,
                                  [](uint32_t c, const FontWidths::Run& r) { return c < r.first; });
    if (after != widths.runs.begin() && code <= std::prev(after)->last) return std::prev(after)->width;
    return widths.fallback;
}

void ReadResources(PdfDocument& doc, PageRecord& page, const PdfObject& pageObject,
                   size_t resourcesValue) {
    const std::string& text = pageObject.dict;
    size_t p = SkipWhite(text, resourcesValue);
    if (IsReference(text, p)) {
        PdfObject resources = LoadObject(doc, IntAt(text, p));
        if (auto font = LookupKey(resources, "/Font"))
            LoadFonts(doc, page, std::string_view(resources.dict).substr(*font));
        return;
    }
    size_t font = text.find("/Font", p);
    if (font != std::string::npos) LoadFonts(doc, page, std::string_view(text).substr(font + 5));
}

void LoadFonts(PdfDocument& doc, PageRecord& page, std::string_view text) {
    page.fonts.clear();
    size_t p = SkipWhite(text, 0);
    // A font dictionary of its own, as some writers give it, is followed once.
    std::string referenced;
    if (IsReference(text, p)) {
        referenced = LoadObject(doc, IntAt(text, p)).dict;
        text = referenced;
        p = SkipWhite(text, 0);
    }
    if (!StartsWith(text.substr(p), "<<")) return;
    p += 2;
    size_t close = text.find('>', p);
    if (close == std::string_view::npos) close = text.size();
    const std::string_view body = text.substr(p, close - p);

    // "/Name N 0 R" entries; a name ends at white space or a delimiter, so
    // names that hold the letter R are read whole.
    for (size_t i = 0; i < body.size();) {
        unsigned char c = static_cast<unsigned char>(body[i]);
        if (c == 0) break;
        if (c != '/') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < body.size() && !IsWhite(static_cast<unsigned char>(body[j])) &&
               !IsDelimiter(static_cast<unsigned char>(body[j])))
            ++j;
        std::string_view name = body.substr(i, j - i);
        int32_t number = 0;
        if (ReadInt(body, j, number)) {
            FontEntry font;
            font.name = std::string(name);
            font.objectNumber = number;
            page.fonts.push_back(std::move(font));
            size_t r = body.find('R', j);
            if (r == std::string_view::npos) break;
            i = r + 1;
        } else {
            i = j;
        }
    }

    for (FontEntry& font : page.fonts) {
        auto cached = doc.fontDicts.find(font.objectNumber);
        if (cached == doc.fontDicts.end())
            cached = doc.fontDicts.emplace(font.objectNumber, LoadObject(doc, font.objectNumber).dict).first;
        font.dict = cached->second;
    }

    for (FontEntry& font : page.fonts) {
        size_t key = font.dict.find("/ToUnicode ");
        if (key == std::string::npos) continue;
        int32_t number = IntAt(font.dict, key + 11);
        auto cached = doc.charMaps.find(number);
        if (cached == doc.charMaps.end()) {
            std::shared_ptr<const CharMap> map;
            PdfObject stream = LoadObject(doc, number);
            if (!stream.loaded) {
                map = std::make_shared<CharMap>();
            } else if (auto decoded = DecodeStream(stream)) {
                map = ReadCharMap(*decoded);
            }
            cached = doc.charMaps.emplace(number, std::move(map)).first;
        }
        // A map that cannot be decoded ends the reading of this page's maps.
        if (!cached->second) break;
        font.map = cached->second;
    }

    for (FontEntry& font : page.fonts) {
        if (font.HasRanges()) continue;
        auto cached = doc.fontDifferences.find(font.objectNumber);
        if (cached == doc.fontDifferences.end())
            cached = doc.fontDifferences.emplace(font.objectNumber, ReadDifferences(doc, font.dict)).first;
        font.differences = cached->second;
    }

    for (FontEntry& font : page.fonts) {
        auto cached = doc.fontWidths.find(font.objectNumber);
        if (cached == doc.fontWidths.end())
            cached = doc.fontWidths.emplace(font.objectNumber, ReadWidths(doc, font.dict)).first;
        font.widths = cached->second;
    }
}

std::shared_ptr<const CharMap> ReadCharMap(std::string_view decoded) {
    auto map = std::make_shared<CharMap>();
    map->codeSpaces = ReadCodeSpaces(decoded);
    bool inCodeSpace = false;
    std::string scratch;
    for (size_t start = 0;;) {
        size_t lf = decoded.find('\n', start);
        if (lf == std::string_view::npos) break;  // a last line without a line feed is not read
        std::string_view line = decoded.substr(start, lf - start);
        start = lf + 1;
        if (line.find('\r') != std::string_view::npos) {
            scratch.assign(line);
            scratch.erase(std::remove(scratch.begin(), scratch.end(), '\r'), scratch.end());
            line = scratch;
        }
        if (line.find("begincodespacerange") != std::string_view::npos) inCodeSpace = true;
        if (line.find("endcodespacerange") != std::string_view::npos) {
            inCodeSpace = false;
            continue;
        }
        if (inCodeSpace || line.empty() || line[0] != '<') continue;
        ReadMappingLine(line, *map);
    }
    BuildLookup(*map);
    return map;
}

std::string MapCodes(const TextState& state, const std::vector<FontEntry>& fonts,
                     std::string_view shown) {
    const FontEntry* font = CurrentFont(state, fonts);
    if (!font) return std::string(shown);
    if (!font->HasRanges()) {
        if (!font->differences) return std::string(shown);
        std::string out;
        out.reserve(shown.size());
        for (char c : shown) {
            const std::string& text = (*font->differences)[static_cast<unsigned char>(c)];
            if (text.empty())
                out += c;
            else
                out += text;
        }
        return out;
    }
    const CharMap& map = *font->map;

    std::string out;
    out.reserve(shown.size() * 2);
    bool mapped = false;
    uint32_t pendingHigh = 0;  // a high surrogate waiting for its low half
    auto flushHigh = [&] {
        if (pendingHigh) out += '?';
        pendingHigh = 0;
    };
    // Surrogate pairs become one character; a lone half becomes '?'.
    auto put = [&](uint32_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            flushHigh();
            pendingHigh = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (pendingHigh)
                AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
            else
                out += '?';
            pendingHigh = 0;
        } else {
            flushHigh();
            if (unit != 0) AppendUtf8(out, unit);
        }
    };
    for (size_t i = 0; i < shown.size();) {
        int bytes = CodeLength(map, shown, i);
        uint32_t code = 0;
        for (int k = 0; k < bytes; ++k) {
            unsigned byte = i + k < shown.size() ? static_cast<unsigned char>(shown[i + k]) : 0;
            code = (code << 8) | byte;
        }
        i += bytes;
        code &= 0xFFFF;
        if (code >= map.lookup.size() || map.lookup[code] == CharMap::kUnmapped) continue;
        mapped = true;
        uint32_t value = map.lookup[code];
        if (value < 0x10000) {
            put(value);
        } else {
            for (char16_t unit : map.sequences[value - 0x10000]) put(unit);
        }
    }
    flushHigh();
    if (!mapped) return std::string(shown);
    return out;
}

}  // namespace pagelift
