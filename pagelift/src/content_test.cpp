#include "content.h"

#include "fonts.h"

#include "test_pdf.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pagelift {
namespace {

using testing::ExtractText;
using testing::Lines;
using testing::PagesPdf;
using testing::TestPdf;

constexpr float kScale = 100.0f / 72.0f;

PageRecord Page(int32_t rotate = 0, int32_t zoom = 100) {
    PageRecord page;
    page.state.ctm = PageMatrix(static_cast<float>(zoom) / 72.0f, rotate, page.state.mediaBox);
    return page;
}

std::vector<TextItem> Items(const std::string& content) {
    PageRecord page = Page();
    InterpretOperators(page, content);
    return page.items;
}

std::vector<std::string> Texts(const std::string& content) {
    std::vector<std::string> texts;
    for (const TextItem& item : Items(content)) texts.push_back(item.text);
    return texts;
}

TEST(InterpretContent, PlacesTextInDeviceUnits) {
    auto items = Items("BT /F1 12 Tf 72 720 Td (ABC) Tj ET");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].x, 100);
    EXPECT_EQ(items[0].y, 100);
    EXPECT_EQ(items[0].height, 22);
    EXPECT_NEAR(items[0].width, 30, 1);
    EXPECT_EQ(items[0].text, "ABC");
}

TEST(PageMatrix, NormalisesRotation) {
    Rect box;
    auto same = [](const Matrix& a, const Matrix& b) {
        return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d && a.e == b.e && a.f == b.f;
    };
    EXPECT_TRUE(same(PageMatrix(1, -90, box), PageMatrix(1, 270, box)));
    EXPECT_TRUE(same(PageMatrix(1, 450, box), PageMatrix(1, 90, box)));
    EXPECT_TRUE(same(PageMatrix(1, 45, box), PageMatrix(1, 0, box)));
    Matrix quarter = PageMatrix(2, 90, Rect{10, 20, 300, 400});
    EXPECT_TRUE(same(quarter, Matrix{0, 2, 2, 0, -40, -20}));
}

TEST(InterpretContent, FindsTheStringOfEachShowOperator) {
    struct Case {
        std::string name, content;
        std::vector<std::string> texts;
    } cases[] = {
        {"octal escape in Tj", "BT (\\101B\\0533) Tj ET", {"AB+3"}},
        {"octal escape in TJ", "BT [(\\101B)] TJ ET", {"AB"}},
        {"other escapes", "BT (a\\)b\\\\c\\(d\\ne\\\nf\\q) Tj ET", {"a)b\\c(d\ne" "fq"}},
        {"nested parentheses", "BT (a (b) c) Tj ET", {"a (b) c"}},
        {"string on the line before Tj", "BT (Hello)\nTj ET", {"Hello"}},
        {"string and operator with no space", "BT (Hi)Tj(there)' ET", {"Hi", "there"}},
        {"hex string with spaces and an odd digit", "BT <48 65 6C6C 6F> Tj <414> Tj ET", {"Hello", "A@"}},
        {"TJ array starting with a number", "BT [-250(Hi) 10 <21>] TJ ET", {"Hi", "!"}},
        {"bracket inside a TJ string", "BT [(a]b) (c)] TJ ET", {"a]b", "c"}},
        {"operator letters inside a name", "BT /Tjx (A) Tj /Tj0 /BTx (B) Tj ET", {"A", "B"}},
        {"operator letters inside a string", "BT (x Tj) Tj ET", {"x Tj"}},
        {"nothing before Tj", "Tj BT ) Tj ET", {}},
        {"unclosed string", "BT (never closed Tj", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Texts(c.content), c.texts) << c.name;
}

TEST(InterpretContent, ReadsOperandsOverLineBreaks) {
    struct Case {
        std::string name, content;
        int x, y;
    } cases[] = {
        {"Td on one line", "BT 72 720 Td (A) Tj", 100, 100},
        {"Td operands on the line before", "BT 72 720\nTd (A) Tj", 100, 100},
        {"Tm split over two lines", "BT 1 0 0 1\n72 720 Tm (A) Tj", 100, 100},
        {"numbers written as .5 and +1", "BT 1 0 0 1 72 +720.5 Tm .5 -.5 Td (A) Tj", 101, 100},
        {"cm before BT", "2 0 0 2 0 0 cm BT 36 396 Td (A) Tj", 100, 1100 - 1100 + 0},
        {"q and Q restore the matrix", "q 2 0 0 2 0 0 cm Q BT 72 720 Td (A) Tj", 100, 100},
        {"q and Q inside names do nothing", "q 2 0 0 2 0 0 cm /Sq /Qx Q BT 72 720 Td (A) Tj", 100, 100},
        {"text after ET keeps the text matrix", "BT 1 0 0 1 72 720 Tm ET (A) Tj", 100, 100},
    };
    for (const Case& c : cases) {
        auto items = Items(c.content);
        ASSERT_EQ(items.size(), 1u) << c.name;
        if (c.name == "cm before BT") {
            // The page matrix is doubled: (36, 396) lands where (72, 792) would.
            EXPECT_EQ(items[0].x, 100) << c.name;
            EXPECT_EQ(items[0].y, 0) << c.name;
            continue;
        }
        EXPECT_EQ(items[0].x, c.x) << c.name;
        EXPECT_EQ(items[0].y, c.y) << c.name;
    }
}

TEST(InterpretContent, TjArrayAdjustmentsMoveTheNextString) {
    const float width = 3 * 0.6f * 12 * kScale;  // "Hel"
    for (const std::string& content : {std::string("BT /F1 12 Tf 72 720 Td [(Hel)-250(lo)] TJ"),
                                       std::string("BT /F1 12 Tf 72 720 Td [ (Hel) -250 (lo) ] TJ")}) {
        auto items = Items(content);
        ASSERT_EQ(items.size(), 2u) << content;
        EXPECT_EQ(items[1].x, static_cast<int>(100.5f + width + 0.25f * 12 * kScale)) << content;
    }
    auto back = Items("BT /F1 12 Tf 72 720 Td [(Hel)120(lo)] TJ");
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].x, static_cast<int>(100.5f + width - 0.12f * 12 * kScale));
    auto leading = Items("BT /F1 12 Tf [-500(A)] TJ");
    ASSERT_EQ(leading.size(), 1u);
    EXPECT_EQ(leading[0].x, static_cast<int>(0.5f + 6 * kScale));
}

TEST(InterpretContent, LineOperatorsUseTheLeading) {
    auto items = Items(
        "BT /F1 10 Tf 14 TL 72 720 Td (a) Tj T* (b) Tj 0 -28 TD (c) Tj T* (d) ' (e) Tj ET");
    ASSERT_EQ(items.size(), 5u);
    std::vector<int> ys;
    for (const TextItem& item : items) ys.push_back(item.y);
    const float step = 14 * kScale, twice = 28 * kScale;
    EXPECT_EQ(ys[0], 100);
    EXPECT_EQ(ys[1], static_cast<int>(100.5f + step));
    EXPECT_EQ(ys[2], static_cast<int>(100.5f + step + twice));
    EXPECT_EQ(ys[3], static_cast<int>(100.5f + step + 3 * twice));  // TD set the leading to 28; ' moves down again
    EXPECT_EQ(ys[4], ys[3]);                                           // and the next string stays there
    EXPECT_EQ(items[4].x, items[3].x);                                 // at the x from before the string
}

TEST(EstimateWidth, CountsCharacterAndWordSpacing) {
    PageRecord page = Page(0, 72);
    TextState& st = page.state;
    st.fontSize = 10;
    EXPECT_FLOAT_EQ(EstimateWidth(st, "ab c"), 4 * 6.0f);
    st.charSpacing = 1;
    st.wordSpacing = 2;
    EXPECT_FLOAT_EQ(EstimateWidth(st, "ab c"), 3 * 7.0f + 9.0f);
    EXPECT_FLOAT_EQ(EstimateWidth(st, "\xC3\xA9t\xC3\xA9"), 3 * 7.0f);  // characters, not bytes
    auto spaced = Items("BT /F1 10 Tf 1 Tc 2 Tw (ab c) Tj");
    ASSERT_EQ(spaced.size(), 1u);
    EXPECT_EQ(spaced[0].width, static_cast<int>((3 * 7.0f + 9.0f) * kScale));
}

TEST(TextWidth, MeasuresCodesByTheFontsWidths) {
    auto simple = std::make_shared<FontWidths>();
    simple->codes.assign(256, -1);
    simple->codes['A'] = 0.5f;
    simple->codes[' '] = 0.25f;
    auto missing = std::make_shared<FontWidths>(*simple);
    missing->fallback = 0.3f;
    auto composite = std::make_shared<FontWidths>();
    composite->composite = true;
    composite->fallback = 1;
    composite->runs = {{0x20, 0x20, 0.5f}};
    const std::string oneByte = "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
    struct Case {
        std::string name;
        std::shared_ptr<const FontWidths> widths;
        std::string cmap, shown, mapped;
        float charSpacing, wordSpacing, width;
    } cases[] = {
        {"codes of a simple font", simple, "", "AA", "AA", 0, 0, 10},
        {"a code the font does not give: the estimate", simple, "", "AB", "AB", 0, 0, 11},
        {"a code the font does not give: MissingWidth", missing, "", "AB", "AB", 0, 0, 8},
        {"spacing per code, word spacing for code 32", simple, "", " A ", " A ", 1, 2, 2 * 5.5f + 6},
        {"two-byte codes: no word spacing for 0x0020", composite, "", std::string("\0 \0A", 4), "", 1, 2, 6 + 11},
        {"one-byte codes of a composite font's map", composite, oneByte, "  ", "  ", 1, 2, 2 * 8.0f},
        {"by codes, not by the mapped text", simple, "", "A", "xyz", 0, 0, 5},
        {"a font without widths: the estimate of the mapped text", nullptr, "", "\x01", "fi", 0, 0, 12},
    };
    for (const Case& c : cases) {
        PageRecord page = Page(0, 72);  // one device unit per point
        page.state.fontName = "/F1";
        page.state.fontSize = 10;
        page.state.charSpacing = c.charSpacing;
        page.state.wordSpacing = c.wordSpacing;
        FontEntry font;
        font.name = "/F1";
        font.widths = c.widths;
        if (!c.cmap.empty()) font.map = ReadCharMap(c.cmap);
        EXPECT_FLOAT_EQ(TextWidth(page.state, {font}, c.shown, c.mapped), c.width) << c.name;
    }
}

TEST(ExtractPage, WordsAfterNarrowGlyphsKeepTheirSpace) {
    // "the" is 1390/1000 em wide in both fonts and the next word starts one
    // space (278) after it; estimated at 0.6 em a character, "the" would run
    // past that start and the words would be glued together.
    TestPdf pdf = PagesPdf({"BT /F1 12 Tf 72 720 Td (the) Tj 20.016 0 Td (debian) Tj ET\n"
                            "BT /F2 12 Tf 72 690 Td <000100020003> Tj 20.016 0 Td <000400030005000700060008> Tj ET"},
                           "/F1 6 0 R /F2 7 0 R");
    pdf.Add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 97 /Widths "
            "[556 556 500 556 556 278 556 556 222 222 500 222 833 556 556 556 556 333 500 278] >>");
    pdf.Add("<< /Type /Font /Subtype /Type0 /BaseFont /Sans /Encoding /Identity-H /DescendantFonts [8 0 R] "
            "/ToUnicode 9 0 R >>");
    pdf.Add("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Sans /W [1 [278 556 556] 4 6 556 7 [222] 8 8 556] >>");
    pdf.Add(TestPdf::Stream("1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n8 beginbfchar\n"
                            "<0001> <0074>\n<0002> <0068>\n<0003> <0065>\n<0004> <0064>\n"
                            "<0005> <0062>\n<0006> <0061>\n<0007> <0069>\n<0008> <006E>\nendbfchar\n"));
    for (int32_t layout : {1, 0}) {
        EXPECT_EQ(Lines(ExtractText(pdf.Build(), Options{layout, 100, ""})),
                  (std::vector<std::string>{"------------------------------------------------------------- page 1",
                                            "the debian", "the debian"}))
            << "layout " << layout;
    }
}

TEST(ExtractPage, StopsAtAPageThatCannotBeRead) {
    TestPdf pdf = PagesPdf({"BT 72 720 Td (one) Tj 72 -20 Td (x) Tj ET", "BT 72 720 Td (two) Tj 0 -20 Td (x) Tj ET",
                            "BT 72 720 Td (three) Tj 0 -20 Td (x) Tj ET"});
    TestPdf noContents = pdf;
    noContents.objects[5] = "<< /Type /Page /Parent 2 0 R >>";
    TestPdf imageOnly = pdf;
    imageOnly.objects[6] = TestPdf::Stream("jpeg", "/Filter /DCTDecode");
    for (const TestPdf& broken : {noContents, imageOnly}) {
        std::string text = ExtractText(broken.Build());
        EXPECT_NE(text.find("one"), std::string::npos);
        EXPECT_EQ(text.find("two"), std::string::npos);
        EXPECT_EQ(text.find("three"), std::string::npos);
    }
    // The page without contents writes nothing; the undecodable one its separator.
    EXPECT_EQ(ExtractText(noContents.Build()).find("page 2"), std::string::npos);
    EXPECT_NE(ExtractText(imageOnly.Build()).find("page 2"), std::string::npos);
}

TEST(ExtractPage, JoinsContentArraysInOrder) {
    TestPdf pdf = PagesPdf({""});
    pdf.objects[3] =
        "<< /Type /Page /Parent 2 0 R /Contents [6 0 R 7 0 R] /Resources << /Font << /F1 3 0 R >> >> >>";
    pdf.Add(TestPdf::Stream("BT /F1 12 Tf 72 720 Td (first) Tj ET"));  // 6
    pdf.Add("[8 0 R 9 0 R 7 0 R]");                                     // 7: refers to itself
    pdf.Add(TestPdf::Stream("BT 72 700 Td (second) Tj ET"));            // 8
    pdf.Add(TestPdf::Stream("BT 72 680 Td (third) Tj ET"));             // 9
    EXPECT_EQ(Lines(ExtractText(pdf.Build(), Options{0, 100, ""})),
              (std::vector<std::string>{"------------------------------------------------------------- page 1",
                                        "first", "second", "third"}));
}

}  // namespace
}  // namespace pagelift
