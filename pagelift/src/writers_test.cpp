#include "writers.h"

#include "test_pdf.h"

#include <gtest/gtest.h>

namespace pagelift {
namespace {

TextItem Item(int x, int y, int width, std::string text, int height = 22) {
    return TextItem{x, y, width, height, std::move(text)};
}

std::vector<std::string> TextsOf(const std::vector<TextItem>& items) {
    std::vector<std::string> texts;
    for (const TextItem& item : items) texts.push_back(item.text);
    return texts;
}

TEST(MergeItems, JoinsNeighboursOnOneLine) {
    struct Case {
        std::string name;
        std::vector<TextItem> items;
        std::vector<std::string> texts;
    } cases[] = {
        {"2 units apart: no space", {Item(100, 50, 20, "ab"), Item(122, 50, 10, "c")}, {"abc"}},
        {"overlapping: no space", {Item(100, 50, 20, "ab"), Item(110, 50, 10, "c")}, {"abc"}},
        {"5 units apart: one space", {Item(100, 50, 20, "ab"), Item(125, 50, 10, "c")}, {"ab c"}},
        {"half a line apart: one space", {Item(100, 50, 20, "ab"), Item(131, 50, 10, "c")}, {"ab c"}},
        {"12 units apart: apart", {Item(100, 50, 20, "ab"), Item(132, 50, 10, "c")}, {"ab", "c"}},
        {"other line", {Item(100, 50, 20, "ab"), Item(120, 51, 10, "c")}, {"ab", "c"}},
        {"other height", {Item(100, 50, 20, "ab"), Item(120, 50, 10, "c", 20)}, {"ab", "c"}},
        {"chains", {Item(0, 0, 10, "a"), Item(10, 0, 10, "b"), Item(20, 0, 10, "c"), Item(90, 0, 5, "d")},
         {"abc", "d"}},
    };
    for (Case& c : cases) {
        MergeItems(c.items);
        EXPECT_EQ(TextsOf(c.items), c.texts) << c.name;
    }
    std::vector<TextItem> widths = {Item(100, 50, 20, "ab"), Item(125, 50, 10, "c")};
    MergeItems(widths);
    EXPECT_EQ(widths[0].width, 35);
}

TEST(LineHeight, IsTheSmallestStepBetweenNeighbours) {
    struct Case {
        std::vector<int> ys;
        float height;
    } cases[] = {
        {{}, 10.5f},
        {{100}, 1000},
        {{100, 122, 166}, 22},
        {{100, 100}, 1000},
        {{100, 103, 200}, 5},
        {{300, 100}, 200},
    };
    for (const Case& c : cases) {
        std::vector<TextItem> items;
        for (int y : c.ys) items.push_back(Item(10, y, 5, "x"));
        EXPECT_EQ(LineHeight(items), c.height);
    }
}

TEST(LayoutText, PlacesItemsOnACharacterGrid) {
    // h = 22: rows 4, 5 and 7; columns 2, 4 and 1.
    std::string text = LayoutText({Item(11, 100, 10, "ab"), Item(22, 122, 10, "cd"), Item(6, 166, 10, "e")});
    EXPECT_EQ(text,
              "\n"        // rows 0 to 3 are empty
              "  ab \n"   // every row is as wide as the grid
              "    cd\n"  // the widest column is 4, and "cd" runs past it
              " e   \n"   // a single empty row in between writes nothing
              "\n");
}

TEST(LayoutText, TakenCellsPushTextRightAndTheLastCellCollects) {
    // Rows 2 and 3, five columns. "Z" wants column 1, which "ab" holds, and
    // goes to the first free cell after it; "cdefg" runs past the last column
    // and piles up there.
    EXPECT_EQ(LayoutText({Item(6, 44, 10, "ab"), Item(6, 44, 10, "Z"), Item(22, 66, 10, "z")}),
              "\n abZ \n    z\n\n");
    EXPECT_EQ(LayoutText({Item(6, 44, 10, "cdefg"), Item(22, 66, 10, "z")}), "\n cdefg\n    z\n\n");
}

TEST(LayoutText, WritesPagesInTheFirstRowOrColumn) {
    EXPECT_EQ(LayoutText({}), "");
    // One item: the row height is 1000, so it lies in row 0 at column 18.
    EXPECT_EQ(LayoutText({Item(100, 100, 10, "only")}), std::string(18, ' ') + "only\n\n");
    EXPECT_EQ(LayoutText({Item(11, 100, 10, "ab"), Item(33, 100, 10, "cd")}), "  ab  cd\n\n");
    EXPECT_EQ(LayoutText({Item(0, 100, 10, "a"), Item(3, 200, 10, "b")}), "a\nb\n\n");
    EXPECT_EQ(LayoutText({Item(-50, -100, 10, "a"), Item(200, 200, 10, "b")}).find('a'), std::string::npos);
}

TEST(LayoutText, CellsHoldWholeCharacters) {
    EXPECT_EQ(LayoutText({Item(11, 44, 10, "\xC3\xA9t\xC3\xA9"), Item(11, 66, 10, "abc")}),
              "\n  \xC3\xA9t\xC3\xA9\n  abc\n\n");
}

TEST(LineText, JoinsTheItemsOfEachRow) {
    EXPECT_EQ(LineText({Item(200, 100, 10, "b"), Item(11, 100, 10, "a"), Item(0, 144, 5, "c")}), "ba\nc\n\n");
    EXPECT_EQ(LineText({Item(11, 100, 10, "one")}), "one\n\n");  // row 0 alone
    EXPECT_EQ(LineText({Item(11, 100, 10, "a"), Item(50, 100, 10, "b")}), "ab\n\n");
    EXPECT_EQ(LineText({}), "\n");
}

TEST(WritePageItems, PagesOfOneRowOrOneColumnKeepTheirText) {
    // Page 1 is a single item in row 0; page 2 has both its items in column 0.
    const std::string pdf = testing::PagesPdf({"BT /F1 12 Tf 72 720 Td (Only line) Tj ET",
                                               "BT /F1 12 Tf 0 720 Td (Left) Tj 0 -20 Td (edge) Tj ET"})
                                .Build();
    const std::string sep = "------------------------------------------------------------- page ";
    for (int32_t layout : {1, 0}) {
        EXPECT_EQ(testing::Lines(testing::ExtractText(pdf, Options{layout, 100, ""})),
                  (std::vector<std::string>{sep + "1", "Only line", sep + "2", "Left", "edge"}))
            << "layout " << layout;
    }
}

TEST(PageFileName, NumbersPagesBeforeTheExtension) {
    struct Case {
        std::string output, page0, link1;
    } cases[] = {
        {"C:\\my docs\\out.html", "C:\\my docs\\out0000.html", "out0001.html"},
        {"/tmp/a.b/out.htm", "/tmp/a.b/out0000.htm", "out0001.htm"},
        {"/tmp/my out.HTM", "/tmp/my out0000.HTM", "my%20out0001.HTM"},
        {"/tmp/out.htmx", "/tmp/out0000.htmx", "out0001.htmx"},
        {"/tmp/out.txt", "", ""},
        {"/tmp/dir.htm/out", "", ""},
        {"/tmp/out.ht", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageFileName(c.output, 0), c.page0) << c.output;
        EXPECT_EQ(PageLinkName(c.output, 1), c.link1) << c.output;
    }
    EXPECT_EQ(PageFileName("/tmp/out.htm", 12345), "/tmp/out12345.htm");
}

TEST(HtmlPrologue, LinksToNeighbourPages) {
    const std::string head =
        "<html>\n<head>\n<title></title>\n\n<style type=\"text/css\">\n<!--\n.ft0{font-size:12px;}\n-->\n"
        "</style>\n</head>\n\n";
    EXPECT_EQ(HtmlPrologue("/o/p.htm", 0, 1), head);
    EXPECT_EQ(HtmlPrologue("/o/p.htm", 0, 3), head + "<p><a href=\"p0001.htm\">Next</a><p>\n");
    EXPECT_EQ(HtmlPrologue("/o/p.htm", 1, 3),
              head + "<p><a href=\"p0000.htm\">Previous</a> <a href=\"p0002.htm\">Next</a><p>\n");
    EXPECT_EQ(HtmlPrologue("/o/p.htm", 2, 3), head + "<p><a href=\"p0001.htm\">Previous</a><p>\n");
}

TEST(HtmlItems, WritesPrintableAndDoubleByteItemsUnescaped) {
    std::string html = HtmlItems({Item(5, 7, 1, "a<b&c"), Item(1, 2, 1, "\xC3\xA9"), Item(1, 2, 1, "\xE9x"),
                                  Item(1, 2, 1, "\x01x"), Item(1, 2, 1, "")});
    EXPECT_EQ(html,
              "<div style=\"position:absolute;top:7;left:5\"><nobr><span class=\"ft0\">a<b&c</span></nobr></div>\n"
              "<div style=\"position:absolute;top:2;left:1\"><nobr><span class=\"ft0\">\xC3\xA9</span></nobr></div>\n"
              "\n\n");
}

TEST(SeparatorLine, UsesTheLabelOrHyphens) {
    EXPECT_EQ(SeparatorLine("", 0),
              "\n\n------------------------------------------------------------- page 1\n\n");
    EXPECT_EQ(SeparatorLine("====", 2), "\n\n==== page 3\n\n");
}

TEST(InfoReport, ListsTheDocumentInFixedLines) {
    PdfDocument doc;
    doc.inputPath = "C:\\in.pdf";
    doc.title = "T";
    doc.author = "A";
    doc.producer = "P";
    doc.version = 1.3;
    doc.fileSize = 1234;
    doc.pageCount = 2;
    EXPECT_EQ(InfoReport(doc),
              "filename     : C:\\in.pdf\n"
              "title        : T\n"
              "author       : A\n"
              "keywords     : \n"
              "creator      : \n"
              "producer     : P\n"
              "created date : \n"
              "modify date  : \n"
              "SavedBy      : \n"
              "encrypt      : No\n"
              "version      : 1.3\n"
              "filesize     : 1234\n"
              "page count   : 2\n"
              "\n\n");
}

TEST(WriteText, StoresLineFeedsAsCrLf) {
    testing::TempFolder folder;
    std::string path = folder.File("t.txt");
    EXPECT_TRUE(WriteText(path, "a\nb", false));
    EXPECT_TRUE(WriteText(path, "\n"));
    EXPECT_EQ(testing::ReadFile(path), "a\r\nb\r\n");
    EXPECT_FALSE(WriteText(folder.File("missing/t.txt"), "x"));
}

}  // namespace
}  // namespace pagelift
