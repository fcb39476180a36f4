#include "fonts.h"

#include "glyphs.h"

#include "document.h"
#include "test_pdf.h"

#include <gtest/gtest.h>

namespace pagelift {
namespace {

using testing::PagesPdf;
using testing::TempFolder;
using testing::TestPdf;

std::string Mapped(const std::string& cmap, const std::string& shown, const std::string& font = "/F1") {
    FontEntry entry;
    entry.name = "/F1";
    entry.map = ReadCharMap(cmap);
    TextState state;
    state.fontName = font;
    return MapCodes(state, {entry}, shown);
}

const std::string kOneByte = "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
const std::string kTwoByte = "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";

TEST(MapCodes, MapsCodesThroughTheMap) {
    struct Case {
        std::string name, cmap, shown, text;
    } cases[] = {
        {"two-byte range", "beginbfrange\n<0041> <0041> <0061>\n", std::string("\0A", 2), "a"},
        {"offset in a range", "<0020> <0022> <0041>\n", std::string("\0!", 2), "B"},
        {"no code space: codes are two bytes, unmapped stays raw", "<0041> <0041> <0061>\n", "AB", "AB"},
        {"one-byte code space", kOneByte + "<41> <0061>\n<42> <0062>\n", "ABBA", "abba"},
        {"two-byte code space", kTwoByte + "<0041> <0062>\n", std::string("\0A\0A", 4), "bb"},
        {"unmapped code is dropped", kOneByte + "<41> <0061>\n", "AZA", "aa"},
        {"odd last byte has a zero low byte", "<4100> <0078>\n", "A", "x"},
        {"ligature destination", kOneByte + "<0C> <00660069>\n", "\x0c" "nd", "fi"},
        {"range of ligatures grows the last unit", kOneByte + "<01> <02> <00660069>\n", "\x01\x02", "fifj"},
        {"array destination", kOneByte + "<01> <03> [<0048> <0069> <00210021>]\n", "\x01\x02\x03", "Hi!!"},
        {"surrogate pair", kOneByte + "<01> <D83DDE00>\n", "\x01", "\xF0\x9F\x98\x80"},
        {"non-ASCII becomes UTF-8", kOneByte + "<01> <00E9>\n", "\x01", "\xC3\xA9"},
        {"CR LF lines", kOneByte + "<41> <0061>\r\n", "A", "a"},
        {"first range wins", kOneByte + "<41> <0061>\n<40> <42> <0030>\n", "@AB", "0a2"},
        {"last line needs a line feed", kOneByte + "<41> <0061>", "A", "A"},
        {"code-space lines map nothing", kOneByte, std::string("\0", 1), std::string("\0", 1)},
    };
    for (const Case& c : cases) EXPECT_EQ(Mapped(c.cmap, c.shown), c.text) << c.name;
}

TEST(MapCodes, SelectsTheFontByNameWithoutRegardToCase) {
    const std::string cmap = kOneByte + "<41> <0061>\n";
    EXPECT_EQ(Mapped(cmap, "A", "/f1"), "a");
    EXPECT_EQ(Mapped(cmap, "A", "/F2"), "A");
    EXPECT_EQ(Mapped(cmap, "A", "F1"), "A");
}

struct PageFonts {
    PdfDocument doc;
    PageRecord page;
};

// Opens a one-page document whose objects 6 and on are `extra`, and reads the
// fonts of its page.
std::unique_ptr<PageFonts> ReadFonts(const std::string& resources, const std::vector<std::string>& extra) {
    TestPdf pdf = PagesPdf({"BT ET"});
    pdf.objects[3] = "<< /Type /Page /Parent 2 0 R /Resources " + resources + " /Contents 5 0 R >>";
    for (const std::string& object : extra) pdf.Add(object);
    TempFolder folder;
    auto result = std::make_unique<PageFonts>();
    EXPECT_TRUE(OpenDocument(result->doc, folder.Write("in.pdf", pdf.Build())));
    PdfObject pageObject = LoadObject(result->doc, 4);
    auto at = LookupKey(pageObject, "/Resources");
    EXPECT_TRUE(at);
    ReadResources(result->doc, result->page, pageObject, *at);
    return result;
}

const std::string kMap = TestPdf::Stream(kOneByte + "<41> <0061>\n");

TEST(LoadFonts, ReadsNamesNumbersAndMaps) {
    auto fonts = ReadFonts("<< /Font << /R7 6 0 R /TT2 7 0 R >> >>",
                           {"<< /Type /Font /ToUnicode 8 0 R >>", "<< /Type /Font >>", kMap});
    const auto& f = fonts->page.fonts;
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].name, "/R7");
    EXPECT_EQ(f[0].objectNumber, 6);
    EXPECT_TRUE(f[0].HasRanges());
    EXPECT_EQ(f[1].name, "/TT2");
    EXPECT_EQ(f[1].dict, "<< /Type /Font >");
    EXPECT_FALSE(f[1].HasRanges());
}

TEST(LoadFonts, ResourcesByReferenceAndTheirLimits) {
    struct Case {
        std::string name, resources;
        std::vector<std::string> extra;
        size_t fonts;
        std::vector<bool> maps;
    } cases[] = {
        {"resources object", "6 0 R", {"<< /Font << /F1 7 0 R >> >>", "<< /ToUnicode 8 0 R >>", kMap}, 1, {true}},
        {"font dictionary by reference", "<< /Font 6 0 R >>", {"<< /F1 7 0 R >>", "<< /ToUnicode 8 0 R >>", kMap}, 1, {true}},
        {"key and value split by a line break", "<< /Font << /F1 6 0 R >> >>", {"<< /ToUnicode\n7 0 R >>", kMap}, 1, {false}},
        {"a map that cannot be decoded stops the later fonts",
         "<< /Font << /F1 6 0 R /F2 7 0 R /F3 6 0 R >> >>",
         {"<< /ToUnicode 8 0 R >>", "<< /ToUnicode 9 0 R >>", kMap,
          TestPdf::Stream("x", "/Filter /DCTDecode")},
         3, {true, false, false}},
    };
    for (const Case& c : cases) {
        auto fonts = ReadFonts(c.resources, c.extra);
        ASSERT_EQ(fonts->page.fonts.size(), c.fonts) << c.name;
        for (size_t i = 0; i < c.maps.size(); ++i)
            EXPECT_EQ(fonts->page.fonts[i].HasRanges(), c.maps[i]) << c.name << " font " << i;
    }
}

TEST(GlyphText, NamesTheCharactersOfTextFonts) {
    struct Case {
        std::string name, text;
    } cases[] = {
        {"A", "A"}, {"z", "z"}, {"zero", "0"}, {"quoteright", "\xE2\x80\x99"}, {"fi", "fi"}, {"ffl", "ffl"},
        {"eacute", "\xC3\xA9"}, {"AE", "\xC3\x86"}, {"Aacute", "\xC3\x81"}, {"zcaron", "\xC5\xBE"},
        {"endash", "\xE2\x80\x93"}, {"uni00E9", "\xC3\xA9"}, {"u1F600", "\xF0\x9F\x98\x80"},
        {"uniD800", ""}, {"uniXYZW", ""}, {"a1", ""}, {"", ""}, {"suppress", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(GlyphText(c.name), c.text) << c.name;
}

TEST(LoadFonts, FontsWithoutAMapUseTheirDifferences) {
    auto fonts = ReadFonts("<< /Font << /F1 6 0 R /F2 7 0 R /F3 9 0 R >> >>",
                           {"<< /Type /Font /Encoding << /Differences [2 /fi /fl 39 /quoteright /bogus /eacute] >> >>",
                            "<< /Type /Font /Encoding 8 0 R >>",
                            "<< /Type /Encoding /BaseEncoding /WinAnsiEncoding /Differences [140 /fi] >>",
                            "<< /Type /Font /Encoding /WinAnsiEncoding >>"});
    const auto& f = fonts->page.fonts;
    ASSERT_EQ(f.size(), 3u);
    TextState state;
    state.fontName = "/F1";
    EXPECT_EQ(MapCodes(state, f, "\x02nd o\x03ow's \x28"), "find oflow\xE2\x80\x99s (");
    EXPECT_EQ(MapCodes(state, f, "\x29"), "\xC3\xA9");
    state.fontName = "/F2";
    EXPECT_EQ(MapCodes(state, f, "\x8C" "le"), "file");
    state.fontName = "/F3";
    EXPECT_EQ(MapCodes(state, f, "\x8C" "le"), "\x8C" "le");
    EXPECT_FALSE(f[2].differences);
}

// Expected widths per unit of font size, by code.
using Widths = std::vector<std::pair<uint32_t, float>>;

void ExpectWidths(const std::shared_ptr<const FontWidths>& widths, const Widths& expected, const std::string& name) {
    ASSERT_EQ(widths != nullptr, !expected.empty()) << name;
    for (auto [code, width] : expected) EXPECT_FLOAT_EQ(GlyphWidth(*widths, code), width) << name << " code " << code;
}

TEST(ReadWidths, SimpleFontsFromFirstCharAndWidths) {
    struct Case {
        std::string name, dict;
        Widths widths;  // empty: the font gives none
    } cases[] = {
        {"from FirstChar on", "/Subtype /Type1 /FirstChar 65 /Widths [500 250.5]",
         {{64, 0.6f}, {65, 0.5f}, {66, 0.2505f}, {67, 0.6f}}},
        {"no FirstChar starts at 0", "/Widths [100\n200]", {{0, 0.1f}, {1, 0.2f}, {2, 0.6f}}},
        {"MissingWidth for codes not given", "/FirstChar 65 /Widths [500] /FontDescriptor << /MissingWidth 300 >>",
         {{65, 0.5f}, {66, 0.3f}, {300, 0.3f}}},
        {"an element that is no number keeps its place", "/FirstChar 65 /Widths [500 null 250]",
         {{65, 0.5f}, {66, 0.6f}, {67, 0.25f}}},
        {"Type 3 glyphs in font matrix units",
         "/Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /FirstChar 65 /Widths [50]", {{65, 0.5f}}},
        {"codes past 255 are dropped", "/FirstChar 254 /Widths [1000 2000 3000 4000]", {{254, 1}, {255, 2}, {256, 0.6f}}},
        {"a negative FirstChar", "/FirstChar -1 /Widths [100 200]", {{0, 0.2f}}},
        {"absurd widths are clamped", "/Widths [900000 -40]", {{0, 5}, {1, 0}}},
        {"a reference that does not load", "/Widths 99 0 R", {}},
        {"a longer key is not /Widths", "/FirstChar 65 /WidthsX [500]", {}},
        {"no widths", "/Subtype /Type1 /BaseFont /Helvetica", {}},
        {"a Type0 font whose descendant does not load",
         "/Subtype /Type0 /Encoding /Identity-H /DescendantFonts [9 0 R]", {}},
    };
    for (const Case& c : cases) {
        PdfDocument doc;
        ExpectWidths(ReadWidths(doc, "<< /Type /Font " + c.dict + " >"), c.widths, c.name);
    }
}

TEST(LoadFonts, ReadsWidthsThroughReferencesOncePerFont) {
    auto fonts = ReadFonts("<< /Font << /F1 6 0 R /F2 7 0 R /F3 8 0 R /F4 9 0 R /F5 10 0 R /F6 6 0 R >> >>",
                           {"<< /Type /Font /Subtype /TrueType /FirstChar 32 /Widths 11 0 R /FontDescriptor 12 0 R >>",
                            "<< /Type /Font /Subtype /Type0 /Encoding /Identity-H /DescendantFonts 13 0 R >>",
                            "<< /Type /Font /Subtype /Type0 /Encoding /Identity-V /DescendantFonts [15 0 R] >>",
                            "<< /Type /Font /Subtype /Type0 /Encoding /UniJIS-UCS2-H /DescendantFonts [15 0 R] >>",
                            "<< /Type /Font /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [17 0 R] >>",
                            "[278 0\n556]",                                             // 11
                            "<< /Type /FontDescriptor /MissingWidth 250 >>",            // 12
                            "[14 0 R]",                                                 // 13
                            "<< /Type /Font /Subtype /CIDFontType2 /W 16 0 R >>",       // 14
                            "<< /Type /Font /Subtype /CIDFontType0 /DW 700 >>",         // 15
                            "[1 [300 400] 10 20 800 5 [600]\n 30 [100 null 200] 40 30 9]",  // 16
                            "<< /Type /Font /Subtype /CIDFontType0 /Widths [1 2] >>"});  // 17
    const auto& f = fonts->page.fonts;
    ASSERT_EQ(f.size(), 6u);
    ExpectWidths(f[0].widths, {{31, 0.25f}, {32, 0.278f}, {33, 0}, {34, 0.556f}, {35, 0.25f}}, "simple");
    ExpectWidths(f[1].widths,
                 {{0, 1}, {1, 0.3f}, {2, 0.4f}, {3, 1}, {5, 0.6f}, {10, 0.8f}, {20, 0.8f}, {21, 1},
                  {30, 0.1f}, {31, 1}, {32, 0.2f}, {40, 1}},  // null keeps its place; 40 30 is no range
                 "composite, default width 1000");
    ExpectWidths(f[2].widths, {{0, 0.7f}, {0x4E00, 0.7f}}, "only a default width");
    ExpectWidths(f[3].widths, {}, "codes that are not glyph numbers");
    ExpectWidths(f[4].widths, {}, "descendant without /W or /DW");
    ASSERT_TRUE(f[1].widths);
    EXPECT_TRUE(f[1].widths->composite);
    EXPECT_FALSE(f[0].widths->composite);
    EXPECT_EQ(f[5].widths, f[0].widths);  // one font object is read once
}

}  // namespace
}  // namespace pagelift
