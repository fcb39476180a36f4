// The data every layer of pagelift shares: the document of one conversion, its
// cross-reference table, loaded objects, pages, fonts and text items.
//
// A PdfDocument lives for one call of PAGELIFT and owns everything below it.
// Objects are loaded into short-lived PdfObjects; the only things kept across
// pages are the document's caches of font dictionaries, decoded maps and
// glyph widths, which hold exactly what loading them again would give.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pagelift {

struct XrefEntry {
    int32_t offset = 0;
    int32_t generation = 0;
    int32_t type = 0;  // 'n' or 'f' once a section listed the entry, 0 before
};

struct XrefTable {
    std::vector<XrefEntry> entries;  // indexed by object number
    int32_t root = 0;
    int32_t info = -1;  // -1: no information dictionary
    int32_t encrypted = 0;
};

struct PdfObject {
    std::string dict;    // raw text between "<<" and the closing ">>"
    std::string stream;  // stream bytes as stored (before any filter)
    std::vector<int32_t> references;  // filled by LoadReferenceArray only
    bool loaded = false;
};

// One code-space range of a character map: codes of `bytes` bytes whose bytes
// lie between the matching bytes of low and high.
struct CodeSpace {
    int bytes = 2;
    uint32_t low = 0;
    uint32_t high = 0;
};

// Codes first..last map to unicode + (code - first), modulo 2^16. A range
// whose destination has several UTF-16 units (a ligature such as "fi") names
// them in CharMap::sequences, and the last unit grows with the code instead.
struct CodeRange {
    uint16_t first = 0;
    uint16_t last = 0;
    uint16_t unicode = 0;
    int32_t sequence = -1;
};

// A decoded /ToUnicode map. `lookup` holds, for every code, the value of the
// first range that contains it: a UTF-16 unit below 0x10000, 0x10000 + i for
// sequences[i], or kUnmapped.
struct CharMap {
    static constexpr uint32_t kUnmapped = 0xFFFFFFFF;
    std::vector<CodeRange> ranges;
    std::vector<CodeSpace> codeSpaces;  // empty: every code has two bytes
    std::vector<std::u16string> sequences;
    std::vector<uint32_t> lookup;
};

// The text of the codes that a font's /Encoding /Differences names, by code;
// empty for a code it does not name or names with an unknown glyph.
using GlyphNames = std::vector<std::string>;

// Glyph widths of a font, in text space units per unit of font size.
struct FontWidths {
    // Codes whose width the font does not give, without /MissingWidth.
    static constexpr float kEstimate = 0.6f;
    struct Run {
        uint32_t first = 0;
        uint32_t last = 0;
        float width = 0;
    };
    bool composite = false;  // Type0: codes of two bytes unless its map says otherwise
    float fallback = kEstimate;  // /MissingWidth, or /DW of a composite font
    std::vector<float> codes;  // simple fonts, by code; negative: not given
    std::vector<Run> runs;  // composite fonts, sorted by first code
};

struct FontEntry {
    std::string name;  // resource name with its leading '/'
    int32_t objectNumber = 0;
    std::string dict;  // the font dictionary's text, empty if it did not load
    std::shared_ptr<const CharMap> map;  // null: no usable /ToUnicode map
    std::shared_ptr<const GlyphNames> differences;  // null: none
    std::shared_ptr<const FontWidths> widths;  // null: none, widths are estimated

    bool HasRanges() const { return map && !map->ranges.empty(); }
};

struct TextItem {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::string text;  // UTF-8 when mapped, otherwise the shown bytes
};

struct Point {
    float x = 0;
    float y = 0;
};

struct Rect {
    float x0 = 0;
    float y0 = 0;
    float x1 = 612;
    float y1 = 792;
};

struct Matrix {
    float a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// The part of the graphics state that q saves and Q restores.
struct TextState {
    Point lineStart;
    Point position;  // device units after every recomputation
    Rect mediaBox;
    Matrix textMatrix;
    Matrix ctm;
    float charSpacing = 0;
    float wordSpacing = 0;
    float fontSize = 0;
    std::string fontName;
    float leading = 0;
};

struct PdfDocument;

struct PageRecord {
    std::vector<TextItem> items;
    std::vector<FontEntry> fonts;
    PdfDocument* document = nullptr;
    int32_t objectNumber = -1;
    int32_t index = 0;
    std::string htmlFileName;  // empty in text mode
    std::vector<TextState> stateStack;
    TextState state;
};

struct PdfDocument {
    std::string inputPath;
    std::string title, author, keywords, creator, producer, creationDate, modDate, savedBy;
    int32_t encrypted = 0;
    double version = 0;
    int32_t fileSize = 0;
    int32_t pageCount = 0;

    // Copies of the options, taken when the conversion starts.
    std::string outputPath;
    int32_t textFormat = 1;
    int32_t zoomRatio = 100;
    std::string pageSeparator;

    // The whole input file and the read position of the line reader.
    std::string data;
    size_t pos = 0;

    XrefTable xref;
    std::vector<PageRecord> pages;

    // Font dictionaries by object number and decoded maps by the object number
    // of their stream; a null map records a stream that could not be decoded.
    std::map<int32_t, std::string> fontDicts;
    std::map<int32_t, std::shared_ptr<const GlyphNames>> fontDifferences;
    std::map<int32_t, std::shared_ptr<const CharMap>> charMaps;
    std::map<int32_t, std::shared_ptr<const FontWidths>> fontWidths;  // by font object
};

}  // namespace pagelift
