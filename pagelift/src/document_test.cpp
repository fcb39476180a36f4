#include "document.h"

#include "test_pdf.h"

#include <gtest/gtest.h>

namespace pagelift {
namespace {

using testing::PagesPdf;
using testing::TempFolder;
using testing::TestPdf;

struct Opened {
    bool ok = false;
    PdfDocument doc;
};

Opened Open(const std::string& bytes) {
    TempFolder folder;
    Opened result;
    result.ok = OpenDocument(result.doc, folder.Write("in.pdf", bytes));
    return result;
}

// Appends an update section that replaces object `number` of `base`.
std::string WithUpdate(const std::string& base, int number, const std::string& body, int size) {
    size_t at = base.rfind("startxref");
    std::string prev = std::to_string(std::stol(base.substr(at + 10)));
    std::string update = std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    size_t offset = base.size();
    size_t xref = base.size() + update.size();
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    return base + update + "xref\n" + std::to_string(number) + " 1\n" + entry + "trailer\n<< /Size " +
           std::to_string(size) + " /Root 1 0 R /Prev " + prev + " >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
}

TEST(ReadLine, LineBreaksPairUpAsOneBreak) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "b"}},
        {"a\r\rb", {"a", "b"}},
        {"a\n\nb", {"a", "b"}},                // two line feeds are one break
        {"a\r\n\r\nb", {"a", "", "b"}},        // CR LF twice leaves an empty line
        {"no break", {"no break"}},
    };
    for (const Case& c : cases) {
        PdfDocument doc;
        doc.data = c.text;
        std::vector<std::string> lines;
        while (!AtEnd(doc)) lines.emplace_back(ReadLine(doc));
        EXPECT_EQ(lines, c.lines) << c.text;
    }
}

TEST(OpenDocument, AcceptsVersionsOneZeroToOneFour) {
    struct Case {
        std::string version;  // what follows "%PDF-"
        bool accepted;
    } cases[] = {
        {"1.0", true},
        {"1.4", true},
        {"1.4%\xE2\xE3\xCF\xD3", true},  // binary comment on the header line
        {"1.41", false},
        {"1.5", false},
        {"2.0", false},
        {"", false},
        {"x", false},
    };
    for (const Case& c : cases) {
        TestPdf pdf = PagesPdf({"BT ET"});
        pdf.version = c.version;
        EXPECT_EQ(Open(pdf.Build()).ok, c.accepted) << c.version;
    }
    std::string noHeader = PagesPdf({"BT ET"}).Build();
    noHeader[3] = 'X';
    EXPECT_FALSE(Open(noHeader).ok);
}

TEST(OpenDocument, RefusesBrokenTails) {
    const std::string good = PagesPdf({"BT ET"}).Build();
    auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.rfind(from), from.size(), to);
        return s;
    };
    struct Case {
        std::string name;
        std::string pdf;
    } cases[] = {
        {"no %%EOF", replaced("%%EOF", "%%EOX")},
        {"no startxref", replaced("startxref", "startxrex")},
        {"offset not at xref", replaced("startxref\n", "startxref\n1")},
        {"no /Size", replaced("/Size", "/Sise")},
        {"no trailer", replaced("trailer", "trailor")},
    };
    EXPECT_TRUE(Open(good).ok);
    for (const Case& c : cases) EXPECT_FALSE(Open(c.pdf).ok) << c.name;
}

TEST(OpenDocument, ReadsTrailersWrittenOnTheirKeywordLineOrAfterBlankLines) {
    std::string pdf = PagesPdf({"BT ET"}).Build();
    std::string sameLine = pdf;
    sameLine.replace(sameLine.find("trailer\n<<"), 10, "trailer <<");
    std::string blankLine = pdf;
    blankLine.replace(blankLine.find("trailer"), 7, "\r\n\r\ntrailer");
    for (const std::string& variant : {sameLine, blankLine}) {
        Opened opened = Open(variant);
        ASSERT_TRUE(opened.ok);
        EXPECT_EQ(opened.doc.pageCount, 1);
    }
}

TEST(OpenDocument, RefusesEncryptedFilesAfterReadingThem) {
    TestPdf pdf = PagesPdf({"BT ET"});
    pdf.trailer = " /Encrypt 99 0 R";
    EXPECT_FALSE(Open(pdf.Build()).ok);
    pdf.trailer = " /Encrypt null";
    EXPECT_TRUE(Open(pdf.Build()).ok);
}

TEST(OpenDocument, NewestSectionOfAnIncrementalUpdateWins) {
    const std::string base = PagesPdf({"BT (old) Tj ET"}).Build();
    const std::string updated = WithUpdate(base, 5, TestPdf::Stream("BT (new) Tj ET"), 6);
    Opened opened = Open(updated);
    ASSERT_TRUE(opened.ok);
    ASSERT_EQ(opened.doc.pageCount, 1);  // the catalog and tree come from the older section
    PdfObject content = LoadObject(opened.doc, 5);
    EXPECT_EQ(content.stream, "BT (new) Tj ET");
}

TEST(OpenDocument, LoopingPrevChainEnds) {
    std::string pdf = PagesPdf({"BT ET"}).Build();
    size_t xref = std::stoul(pdf.substr(pdf.rfind("startxref") + 10));
    pdf.replace(pdf.find(" >>\nstartxref"), 0, " /Prev " + std::to_string(xref));
    EXPECT_TRUE(Open(pdf).ok);
}

TEST(CollectPages, KidsByReferenceGiveTheSamePages) {
    auto build = [](bool byReference) {
        TestPdf pdf;
        pdf.Add("<< /Type /Catalog /Pages 2 0 R >>");
        pdf.Add(byReference ? "<< /Type /Pages /Kids 5 0 R /Count 2 >>"
                            : "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
        pdf.Add("<< /Type /Page /Parent 2 0 R >>");
        pdf.Add("<< /Type /Page /Parent 2 0 R >>");
        pdf.Add("[3 0 R 4 0 R]");
        return pdf.Build();
    };
    for (bool byReference : {false, true}) {
        Opened opened = Open(build(byReference));
        ASSERT_TRUE(opened.ok);
        ASSERT_EQ(opened.doc.pages.size(), 2u);
        EXPECT_EQ(opened.doc.pages[0].objectNumber, 3);
        EXPECT_EQ(opened.doc.pages[1].objectNumber, 4);
        EXPECT_EQ(opened.doc.pages[1].index, 1);
    }
}

TEST(CollectPages, MediaBoxComesFromTheParentOrTheDefault) {
    TestPdf pdf;
    pdf.Add("<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Add("<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
    pdf.Add("<< /Type /Page /Parent 2 0 R >>");
    pdf.Add("<< /Type /Pages /Parent 2 0 R /Kids [5 0 R] /MediaBox[10 20 300 400] >>");
    pdf.Add("<< /Type /Page /Parent 4 0 R >>");
    Opened opened = Open(pdf.Build());
    ASSERT_EQ(opened.doc.pages.size(), 2u);
    const Rect& first = opened.doc.pages[0].state.mediaBox;
    EXPECT_EQ((std::vector<float>{first.x0, first.y0, first.x1, first.y1}),
              (std::vector<float>{0, 0, 612, 792}));
    const Rect& second = opened.doc.pages[1].state.mediaBox;
    EXPECT_EQ((std::vector<float>{second.x0, second.y0, second.x1, second.y1}),
              (std::vector<float>{10, 20, 300, 400}));
}

TEST(CollectPages, LoopsInThePageTreeEnd) {
    TestPdf pdf;
    pdf.Add("<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Add("<< /Type /Pages /Kids [2 0 R 3 0 R 2 0 R 3 0 R] /Count 1 >>");
    pdf.Add("<< /Type /Pages /Kids [2 0 R 4 0 R] >>");
    pdf.Add("<< /Type /Page >>");
    Opened opened = Open(pdf.Build());
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(opened.doc.pageCount, 1);
}

TEST(ReadInfo, ReadsLiteralStringsOnly) {
    TestPdf pdf = PagesPdf({"BT ET"});
    int info = pdf.Add(
        "<< /Title (A\\)B) /Author <414243> /Creator (x\\\\y\\n) /Producer (\\101) "
        "/CreationDate (D:2024) >>");
    pdf.trailer = " /Info " + std::to_string(info) + " 0 R";
    Opened opened = Open(pdf.Build());
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(opened.doc.title, "A)B");
    EXPECT_EQ(opened.doc.author, "");          // hexadecimal strings give nothing
    EXPECT_EQ(opened.doc.creator, "xyn");      // a backslash keeps the byte after it
    EXPECT_EQ(opened.doc.producer, "101");     // octal escapes stay digits here
    EXPECT_EQ(opened.doc.creationDate, "D:2024");
    EXPECT_EQ(opened.doc.keywords, "");
}

TEST(LoadObject, StreamDataKeepsItsFirstByte) {
    struct Case {
        std::string name;
        std::string object;  // object 5
        std::string data;
    } cases[] = {
        {"LF keyword, data starting with CR", "<< /Length 4 >>\nstream\n\r\nAB\nendstream", "\r\nAB"},
        {"LF keyword, data starting with LF", "<< /Length 3 >>\nstream\n\nAB\nendstream", "\nAB"},
        {"CR LF keyword", "<< /Length 2 >>\nstream\r\n\nA\nendstream", "\nA"},
        {"keyword on the dictionary line", "<< /Length 2 >>stream\nAB\nendstream", "AB"},
        {"length past the end of the file", "<< /Length 99999999 >>\nstream\nAB", ""},
        {"no length", "<< /Filter /FlateDecode >>\nstream\nAB\nendstream", ""},
    };
    for (const Case& c : cases) {
        TestPdf pdf = PagesPdf({"BT ET"});
        pdf.objects[4] = c.object;
        Opened opened = Open(pdf.Build());
        ASSERT_TRUE(opened.ok) << c.name;
        PdfObject obj = LoadObject(opened.doc, 5);
        ASSERT_TRUE(obj.loaded) << c.name;
        if (c.name == "length past the end of the file")
            EXPECT_EQ(obj.stream.substr(0, 3), "AB\n") << c.name;
        else
            EXPECT_EQ(obj.stream, c.data) << c.name;
    }
}

TEST(LoadObject, IndirectLengthOnOneOrTwoLines) {
    for (const std::string& lengthObject : {std::string("2"), std::string("2 endobj ")}) {
        TestPdf pdf = PagesPdf({"BT ET"});
        pdf.objects[4] = "<< /Length 6 0 R >>\nstream\nAB\nendstream";
        pdf.Add(lengthObject);
        std::string bytes = pdf.Build();
        if (lengthObject != "2") {
            // Write object 6 on a single line: "6 0 obj 2 endobj".
            size_t at = bytes.find("6 0 obj\n");
            bytes.replace(at, 8, "6 0 obj ");
        }
        Opened opened = Open(bytes);
        ASSERT_TRUE(opened.ok);
        EXPECT_EQ(LoadObject(opened.doc, 5).stream, "AB") << lengthObject;
    }
}

TEST(LoadObject, DictionaryTextEndsAtTheClosingBrackets) {
    TestPdf pdf = PagesPdf({"BT ET"});
    pdf.objects[2] = "<< /A << /B 1 >>\n/C [1 2]\n>> trailing";
    Opened opened = Open(pdf.Build());
    PdfObject obj = LoadObject(opened.doc, 3);
    EXPECT_EQ(obj.dict, "<< /A << /B 1 >>\n/C [1 2]\n>");
    EXPECT_FALSE(LoadObject(opened.doc, 999).loaded);
}

TEST(LookupKey, FindsKeysAsTextAndValuesAfterWhiteSpace) {
    PdfObject obj;
    obj.loaded = true;
    obj.dict = "<< /Contents[4 0 R] /Length1 7 /Length 9 /Font 5 0 R";
    auto value = [&obj](std::string_view key) {
        auto at = ValueOf(obj, key);
        return at ? obj.dict.substr(*at, 4) : std::string("none");
    };
    EXPECT_EQ(value("/Contents"), "[4 0");
    EXPECT_EQ(value("/Length"), "1 7 ");  // a key also matches the start of a longer key
    EXPECT_EQ(value("/Missing"), "none");
    EXPECT_TRUE(IsReference(obj.dict, *ValueOf(obj, "/Font")));
    EXPECT_FALSE(IsReference(obj.dict, *ValueOf(obj, "/Length")));
    obj.loaded = false;
    EXPECT_FALSE(LookupKey(obj, "/Font"));
}

TEST(ScanReferences, ReadsObjectNumbersOfReferences) {
    EXPECT_EQ(ScanReferences("3 0 R 4 0 R\n12 0 R]"), (std::vector<int32_t>{3, 4, 12}));
    EXPECT_EQ(ScanReferences(" ]5 0 R"), (std::vector<int32_t>{}));
}

TEST(OpenDocument, HugeSizesAndOffsetsStayInBounds) {
    std::string pdf = PagesPdf({"BT ET"}).Build();
    std::string huge = pdf;
    huge.replace(huge.find("/Size 6"), 7, "/Size 2000000000");
    EXPECT_TRUE(Open(huge).ok);
    std::string subsection = pdf;
    subsection.replace(subsection.find("xref\n0 6"), 8, "xref\n0 2000000000");
    EXPECT_TRUE(Open(subsection).ok);
}

}  // namespace
}  // namespace pagelift
