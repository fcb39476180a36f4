// Tests of the Rich Text reader: tables of {input, expected text} by behaviour,
// and a document written the way word processors write them.
#include "platform/rtf/rtfreader.h"

#include "platform/core/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kv {
namespace {

struct Case {
    const char* what;
    std::string_view rtf;
    std::u16string_view text;
};

void expectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray rtf(c.rtf.data(), qsizetype(c.rtf.size()));
        EXPECT_EQ(rtfToPlainText(rtf).toStdU16String(), std::u16string(c.text));
    }
}

TEST(RtfReader, ReadsGroupsControlWordsAndSymbols) {
    expectCases({
        {"paragraphs", R"({\rtf1 Hello\par World})", u"Hello\nWorld"},
        {"one space after a control word delimits it", R"({\rtf1\b bold\b0  text})", u"bold text"},
        {"any other character ends a control word and is text", R"({\rtf1 a\b0,b})", u"a,b"},
        {"negative parameter", R"({\rtf1\fi-360 x})", u"x"},
        {"a hyphen without digits is text", R"({\rtf1\b- x})", u"- x"},
        {"groups nest", R"({\rtf1 a{\b b{\i c}}d})", u"abcd"},
        {"escaped backslash and braces", R"({\rtf1 \\\{\}})", u"\\{}"},
        {"non-breaking space, optional hyphen, non-breaking hyphen",
         R"({\rtf1 a\~b co\-op e\_mail})", u"a\u00A0b coop e\u2011mail"},
        {"formula and index marks show nothing", R"({\rtf1 a\|b\:c})", u"abc"},
        {"line ends of the source are not text", "{\\rtf1 one\r\ntwo\r\n\\par\nthree}",
         u"onetwo\nthree"},
        {"a backslash before a source line end is a paragraph end", "{\\rtf1 a\\\r\nb}", u"a\nb"},
        {"other control characters are dropped, tabs kept", "{\\rtf1 a\x01" "b\tc}", u"ab\tc"},
        {"reading ends with the outermost group", R"({\rtf1 a}trailing)", u"a"},
        {"white space and a byte-order mark may precede the document",
         "\xEF\xBB\xBF \r\n{\\rtf1 x}", u"x"},
    });
}

TEST(RtfReader, SkipsDestinationsWithoutBodyText) {
    for (const char* name :
         {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl",
          "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote",
          "annotation", "listtable", "listoverridetable", "rsidtbl", "generator", "themedata",
          "colorschememapping", "datastore", "latentstyles", "xmlnstbl", "filetbl", "revtbl",
          "bkmkstart", "bkmkend", "fldinst", "listtext", "pntext", "pn", "nonesttables",
          "nonshppict", "xe", "tc", "ftnsep"}) {
        SCOPED_TRACE(name);
        const QByteArray rtf =
            QByteArray("{\\rtf1 a{\\") + name + " hidden {\\b inner}\\par\\u233 ?}b}";
        EXPECT_EQ(rtfToPlainText(rtf), QStringLiteral("ab"));
    }
    expectCases({
        {"any group opened with \\* is skipped", R"({\rtf1 a{\*\unknown x{y}z}b})", u"ab"},
        {"an unknown destination without \\* keeps its text", R"({\rtf1 a{\unknown x}b})", u"axb"},
        {"a field shows its result, not its instruction",
         R"({\rtf1 see {\field{\*\fldinst HYPERLINK "http://x/"}{\fldrslt here}}.})", u"see here."},
        {"a field instruction without \\* is skipped too",
         R"({\rtf1 {\field{\fldinst PAGE}{\fldrslt 3}}})", u"3"},
        {"a skipped group ends at its own brace", R"({\rtf1 {\fonttbl{\f0 Arial;}}Text})", u"Text"},
        {"hex picture data with braces in \\bin is passed over",
         "{\\rtf1 a{\\pict\\bin4 }{\\}}b}", u"ab"},
    });
}

TEST(RtfReader, BreaksLinesAndTableCells) {
    expectCases({
        {"line, section and page breaks", R"({\rtf1 a\line b\sect c\page d})", u"a\nb\nc\nd"},
        {"a closing paragraph mark ends the last line", R"({\rtf1 a\par})", u"a\n"},
        {"tab", R"({\rtf1 a\tab b})", u"a\tb"},
        {"cells separated by tabs, rows ended by line breaks",
         R"({\rtf1\trowd\cellx1\cellx2 a\cell b\cell\row\trowd c\cell d\cell\row})",
         u"a\tb\nc\td\n"},
        {"an empty last cell still separates", R"({\rtf1 a\cell \cell\row})", u"a\t\n"},
        {"paragraphs inside a cell", R"({\rtf1\intbl a\par b\cell c\cell\row})", u"a\nb\tc\n"},
        {"nested table rows",
         R"({\rtf1 a\nestcell b\nestcell{\*\nesttableprops\trowd\cellx1\nestrow})"
         R"({\nonesttables\par}c\cell\row})",
         u"a\tb\nc\n"},
    });
}

TEST(RtfReader, DecodesCharacters) {
    expectCases({
        {"hex bytes in Windows-1252 by default", R"({\rtf1 caf\'e9 \'80\'96})",
         u"caf\u00E9 \u20AC\u2013"},
        {"upper-case hex digits", R"({\rtf1 \'C9})", u"\u00C9"},
        {"named characters",
         R"({\rtf1 \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote)"
         R"(\emspace\enspace\qmspace})",
         u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u2003\u2002\u2005"},
        {"document code page", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})", u"\u041F\u0440\u0438"},
        {"code page with two-byte characters", R"({\rtf1\ansi\ansicpg932 \'82\'a0})", u"\u3042"},
        {"UTF-8 code page", "{\\rtf1\\ansi\\ansicpg65001 caf\xC3\xA9}", u"caf\u00E9"},
        {"unknown code page falls back to Windows-1252", R"({\rtf1\ansi\ansicpg99999 \'e9})",
         u"\u00E9"},
        {"Macintosh character set", R"({\rtf1\mac \'8e})", u"\u00E9"},
        {"raw 8-bit text in the code page", "{\\rtf1 caf\xE9}", u"caf\u00E9"},
    });
}

TEST(RtfReader, ReadsUnicodeCharactersAndSkipsTheirFallback) {
    expectCases({
        {"one fallback character by default", R"({\rtf1 \u8364?x})", u"\u20ACx"},
        {"a hex byte is one fallback character", R"({\rtf1 \u233\'e9x})", u"\u00E9x"},
        {"\\uc sets the fallback length", R"({\rtf1\uc2 \u12354\'82\'a0!})", u"\u3042!"},
        {"\\uc0: no fallback", R"({\rtf1\uc0 \u233 x})", u"\u00E9x"},
        {"\\uc holds only within its group", R"({\rtf1 {\uc2 \u233 ab}\u233 cd})",
         u"\u00E9\u00E9d"},
        {"source line ends are not fallback characters", "{\\rtf1 \\u233\r\n?x}", u"\u00E9x"},
        {"a control word is one fallback character", R"({\rtf1 \u8212\emdash x})", u"\u2014x"},
        {"the fallback ends with the group", R"({\rtf1\uc3 {\u233 a}b})", u"\u00E9b"},
        {"negative values count from 65536", R"({\rtf1 \u-3913 ?})", u"\uF0B7"},
        {"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", u"\U0001F600"},
        {"a lone high surrogate is replaced", R"({\rtf1 \u-10179?x})", u"\uFFFDx"},
        {"a lone low surrogate is replaced", R"({\rtf1 a\u-8704?})", u"a\uFFFD"},
        {"a value beyond 16 bits is replaced", R"({\rtf1 \u99999999999 xy})", u"\uFFFDy"},
        {"control characters give nothing", R"({\rtf1 a\u0 ?\u7 ?\u9 ?b})", u"a\tb"},
    });
}

TEST(RtfReader, ReturnsWhatWasReadFromMalformedInput) {
    expectCases({
        {"empty input", "", u""},
        {"unclosed groups", R"({\rtf1 a{b)", u"ab"},
        {"a closing brace too many ends the document", R"({\rtf1 a}b})", u"a"},
        {"input ends after a backslash", "{\\rtf1 abc\\", u"abc"},
        {"input ends inside a control word", R"({\rtf1 abc\pa)", u"abc"},
        {"input ends inside a hex byte", R"({\rtf1 a\'4)", u"a"},
        {"hex byte with one hex digit", R"({\rtf1 a\'4zb})", u"azb"},
        {"hex byte without hex digits", R"({\rtf1 a\'zzb})", u"azzb"},
        {"huge parameter", R"({\rtf1 a\fs99999999999999999999 b})", u"ab"},
        {"huge negative parameter", R"({\rtf1 a\fi-99999999999999999999 b})", u"ab"},
        {"\\bin longer than the input", R"({\rtf1 a\bin99999999999999 xyz})", u"a"},
        {"negative \\bin", R"({\rtf1 a\bin-5 b})", u"ab"},
        {"\\bin in the body", R"({\rtf1 a\bin3 x}yb})", u"ab"},
        {"huge \\uc", R"({\rtf1\uc99999999999 \u233 abc})", u"\u00E9"},
    });
}

TEST(RtfReader, SurvivesDeepNestingAndLongControlWords) {
    const int depth = 200000;
    const QByteArray deep =
        "{\\rtf1 " + QByteArray(depth, '{') + "x" + QByteArray(depth, '}') + "}";
    EXPECT_EQ(rtfToPlainText(deep), QStringLiteral("x"));
    const QByteArray longWord = "{\\rtf1 a\\" + QByteArray(depth, 'q') + " b}";
    EXPECT_EQ(rtfToPlainText(longWord), QStringLiteral("ab"));
}

// Cut anywhere, a document gives the text read up to the cut. Only the last two
// characters may differ: a cut inside a number changes the character it stands
// for, and a cut control word may become a shorter one (\pard to \par) that ends
// a line or a table row early.
TEST(RtfReader, ReadsATruncatedDocumentUpToTheCut) {
    QFile file(QStringLiteral(KV_RTF_TESTDATA "/report.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray rtf = file.readAll();
    const QString full = rtfToPlainText(rtf);
    const qsizetype header = qsizetype(std::strlen("{\\rtf"));
    for (qsizetype cut = header; cut < rtf.size(); ++cut) {
        const QString text = rtfToPlainText(rtf.first(cut));
        if (!full.startsWith(text.chopped(std::min<qsizetype>(text.size(), 2))))
            FAIL() << "cut at " << cut << ": " << text.toStdString();
    }
}

// Text that is not Rich Text is shown as it is, so a raw "\par" stays visible.
TEST(RtfReader, ShowsOtherInputAsPlainText) {
    expectCases({
        {"line ends become \\n", "Hello\r\nWorld\rAgain\n", u"Hello\nWorld\nAgain\n"},
        {"UTF-8", "caf\xC3\xA9", u"caf\u00E9"},
        {"not UTF-8: Windows-1252", "caf\xE9 \x80", u"caf\u00E9 \u20AC"},
        {"control words outside a document are not read", R"(a\par b)", u"a\\par b"},
        {"a document must open with {\\rtf", R"({\rt x})", u"{\\rt x}"},
    });
}

// report.rtf carries what word processors write around the body: font, colour,
// style, list and revision tables, document information, header and footer, a
// footnote, a picture, bookmarks, a hyperlink field, a list, a table and theme
// data, with CR LF line ends between control words.
TEST(RtfReader, ReadsAWordProcessorDocument) {
    const QString text = loadRtfFile(QStringLiteral(KV_RTF_TESTDATA "/report.rtf"));
    EXPECT_EQ(text.toStdU16String(),
              u"Field notes\n"
              u"The caf\u00E9 by the harbour opens at six \u2013 earlier in summer\u2014and the "
              u"owner\u2019s dog waits at the door.\n"
              u"\u201CFresh bread daily,\u201D says the sign; see the menu.\n"
              u"Rye\n"
              u"Sourdough\n"
              u"Opening hours:\n"
              u"Monday\tClosed\n"
              u"Tuesday\t6\u00A0\u201314\n"
              u"\n");
}

TEST(RtfReader, LoadFailsWithTheFileAndTheReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& path : {dir.filePath(QStringLiteral("missing.rtf")), dir.path()}) {
        SCOPED_TRACE(path.toStdString());
        try {
            loadRtfFile(path);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.what();
        }
    }
}

}  // namespace
}  // namespace kv
