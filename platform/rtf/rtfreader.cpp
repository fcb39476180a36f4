// A one-pass Rich Text reader: braces, control words and text bytes are taken
// in order, a stack holds the state each group inherits, and only the text of
// groups that belong to the body reaches the output.
#include "platform/rtf/rtfreader.h"

#include "platform/core/error.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kv {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kDefaultCodePage = 1252;

// Destinations whose text is never body text; the rest of their group is skipped.
// Groups marked with \* are skipped as well, save the one controlSymbol() keeps.
const std::unordered_set<std::string_view>& skippedDestinations() {
    static const std::unordered_set<std::string_view> names = {
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
        "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf",
        "footnote", "annotation", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn",
        "listtable", "listoverridetable", "rsidtbl", "generator", "themedata",
        "colorschememapping", "datastore", "latentstyles", "xmlnstbl", "filetbl", "revtbl",
        "bkmkstart", "bkmkend", "fldinst",
        // List numbers are formatting; these groups repeat them as text for old readers.
        "listtext", "pntext", "pn", "pntxta", "pntxtb",
        // Fallbacks for readers that know no nested tables or shapes.
        "nonesttables", "nonshppict",
        // Index and table-of-contents entries are hidden marks, not text.
        "xe", "tc", "tcn", "txe",
    };
    return names;
}

// Control words that stand for one character.
const std::unordered_map<std::string_view, char16_t>& characterWords() {
    static const std::unordered_map<std::string_view, char16_t> words = {
        {"tab", u'\t'},        {"emdash", 0x2014},    {"endash", 0x2013},
        {"bullet", 0x2022},    {"lquote", 0x2018},    {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002},   {"qmspace", 0x2005},
    };
    return words;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The decoder for a Windows code page number; Windows-1252 for one it cannot decode.
QStringDecoder decoderFor(int codePage) {
    const auto flags = QStringConverter::Flag::Stateless;
    if (codePage == 65001) return QStringDecoder(QStringConverter::Utf8, flags);
    const QByteArray number = QByteArray::number(codePage);
    for (const QByteArray& name : {"windows-" + number, "cp" + number}) {
        QStringDecoder decoder(name.constData(), flags);
        if (decoder.isValid()) return decoder;
    }
    return QStringDecoder("windows-1252", flags);
}

QString normalisedLineEnds(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// Input that is not Rich Text: shown as the text file it is.
QString plainText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) text = decoderFor(kDefaultCodePage)(bytes);
    return normalisedLineEnds(text);
}

class Reader {
public:
    explicit Reader(const QByteArray& input)
        : in_(input), decoder_(decoderFor(kDefaultCodePage)) {}

    // REQUIRES: `start` is the position of the document's opening brace.
    QString read(qsizetype start) {
        pos_ = start;
        while (pos_ < in_.size() && !finished_) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                openGroup();
            } else if (c == '}') {
                ++pos_;
                closeGroup();
            } else if (c == '\\') {
                readControl();
            } else {
                ++pos_;
                // Line ends in the source only lay out the markup.
                if (c != '\r' && c != '\n') textByte(static_cast<unsigned char>(c));
            }
        }
        flushBytes();
        put(QStringView());
        return out_;
    }

private:
    struct Group {
        bool skip = false;  // inside a destination that holds no body text
        int uc = 1;         // fallback characters that follow each \uN
    };

    Group& group() { return groups_.back(); }

    void openGroup() {
        flushBytes();
        fallbackLeft_ = 0;
        groups_.push_back(groups_.empty() ? Group() : group());
    }

    void closeGroup() {
        flushBytes();
        fallbackLeft_ = 0;
        groups_.pop_back();
        finished_ = groups_.empty();
    }

    // Counts one character of the fallback that follows a \uN; true if it was one.
    bool consumeFallback() {
        if (fallbackLeft_ == 0) return false;
        --fallbackLeft_;
        return true;
    }

    void textByte(unsigned char byte) {
        if (consumeFallback() || group().skip) return;
        // Other control characters in the source are not text.
        if (byte < 0x20 && byte != '\t') return;
        bytes_.append(static_cast<char>(byte));
    }

    void readControl() {
        if (pos_ + 1 >= in_.size()) {
            pos_ = in_.size();
            return;
        }
        const char next = in_[pos_ + 1];
        if (isLetter(next)) {
            readControlWord();
        } else if (next == '\'') {
            readHexByte();
        } else {
            pos_ += 2;
            controlSymbol(next);
        }
    }

    void readHexByte() {
        pos_ += 2;
        const int high = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
        if (high < 0) return;
        const int low = ++pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
        // A \' with fewer than two hex digits is dropped with the digit it has.
        if (low < 0) return;
        ++pos_;
        textByte(static_cast<unsigned char>(high * 16 + low));
    }

    void readControlWord() {
        const qsizetype nameStart = ++pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
        const std::string_view name(in_.constData() + nameStart, size_t(pos_ - nameStart));

        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        bool hasParam = false;
        std::int64_t value = 0;
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParam = true;
            // Parameters beyond the int range are held at its ends.
            value = std::min<std::int64_t>(value * 10 + (in_[pos_] - '0'),
                                           std::numeric_limits<int>::max());
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        controlWord(name, hasParam, static_cast<int>(negative ? -value : value));
    }

    void controlWord(std::string_view name, bool hasParam, int param) {
        flushBytes();
        if (name == "bin") {
            // Binary data may hold any byte, braces included, so it is passed over
            // even inside skipped groups.
            const qsizetype length = std::max(param, 0);
            pos_ += std::min(length, in_.size() - pos_);
            consumeFallback();
            return;
        }
        if (consumeFallback() || group().skip) return;

        if (skippedDestinations().contains(name)) {
            group().skip = true;
        } else if (name == "par" || name == "line" || name == "sect" || name == "page") {
            put(u"\n");
        } else if (name == "cell" || name == "nestcell") {
            put(u"\t");
            cellEnd_ = out_.size();
        } else if (name == "row" || name == "nestrow") {
            // The tab after a row's last cell would only trail the line.
            if (cellEnd_ == out_.size() && !out_.isEmpty()) out_.chop(1);
            put(u"\n");
        } else if (name == "u") {
            if (hasParam) unicode(param);
            fallbackLeft_ = group().uc;
        } else if (name == "uc") {
            group().uc = hasParam ? std::max(param, 0) : 1;
        } else if (name == "ansicpg") {
            if (hasParam) decoder_ = decoderFor(param);
        } else if (name == "mac") {
            decoder_ = decoderFor(10000);
        } else if (name == "pc") {
            decoder_ = decoderFor(437);
        } else if (name == "pca") {
            decoder_ = decoderFor(850);
        } else if (const auto it = characterWords().find(name); it != characterWords().end()) {
            const char16_t c = it->second;
            put(QStringView(&c, 1));
        }
    }

    void controlSymbol(char symbol) {
        if (symbol == '\\' || symbol == '{' || symbol == '}') {
            textByte(static_cast<unsigned char>(symbol));
            return;
        }
        flushBytes();
        if (consumeFallback() || group().skip) return;
        switch (symbol) {
        case '*':
            // The one marked destination kept: it carries the row end of a nested table.
            if (!QByteArrayView(in_).sliced(pos_).startsWith("\\nesttableprops"))
                group().skip = true;
            break;
        case '~':
            put(u"\u00A0");
            break;
        case '_':
            put(u"\u2011");
            break;
        case '\r':
        case '\n':
            // A backslash before a line end of the source is an old spelling of \par.
            put(u"\n");
            break;
        default:
            // \- (optional hyphen), \| and \: (formula and index marks) show nothing.
            break;
        }
    }

    // \uN: N is a signed 16-bit value; characters beyond the BMP come as a
    // surrogate pair of two \u words.
    void unicode(int param) {
        const int value = param < 0 ? param + 0x10000 : param;
        if (value < 0 || value > 0xFFFF) {
            put(u"\uFFFD");
            return;
        }
        if (value < 0x20 && value != '\t') return;  // control characters are not text
        const char16_t unit = char16_t(value);
        if (QChar::isHighSurrogate(unit)) {
            put(QStringView());
            highSurrogate_ = unit;
        } else if (QChar::isLowSurrogate(unit)) {
            if (highSurrogate_ != 0) {
                out_.append(QChar(highSurrogate_));
                out_.append(QChar(unit));
                highSurrogate_ = 0;
            } else {
                put(u"\uFFFD");
            }
        } else {
            put(QStringView(&unit, 1));
        }
    }

    // Appends text; a high surrogate left waiting for its pair becomes U+FFFD.
    void put(QStringView text) {
        if (highSurrogate_ != 0) {
            out_.append(QChar(kReplacement));
            highSurrogate_ = 0;
        }
        out_.append(text);
    }

    // Text bytes are gathered and decoded together so that a code page with
    // two-byte characters gets both bytes at once.
    void flushBytes() {
        if (bytes_.isEmpty()) return;
        const QString text = decoder_(bytes_);
        put(text);
        bytes_.clear();
    }

    const QByteArray& in_;
    qsizetype pos_ = 0;
    bool finished_ = false;       // the outermost group has closed
    std::vector<Group> groups_;   // never empty from the opening brace to the end
    QStringDecoder decoder_;      // for the document's code page
    QByteArray bytes_;            // text bytes not yet decoded
    int fallbackLeft_ = 0;        // fallback characters still to skip after a \uN
    char16_t highSurrogate_ = 0;  // first half of a pair, waiting for the second
    qsizetype cellEnd_ = -1;      // output length just after the last cell's tab
    QString out_;
};

// Position of the opening brace of "{\rtf", or -1 when the input is not Rich Text.
qsizetype rtfStart(const QByteArray& bytes) {
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const std::string_view blanks(" \t\r\n");
    while (pos < bytes.size() && blanks.find(bytes[pos]) != std::string_view::npos) ++pos;
    return QByteArrayView(bytes).sliced(pos).startsWith("{\\rtf") ? pos : -1;
}

}  // namespace

QString rtfToPlainText(const QByteArray& rtf) {
    const qsizetype start = rtfStart(rtf);
    if (start < 0) return plainText(rtf);
    return Reader(rtf).read(start);
}

QString loadRtfFile(const QString& hostPath) {
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\": %2")
                        .arg(hostPath, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read file \"%1\": %2")
                        .arg(hostPath, file.errorString()));
    return rtfToPlainText(bytes);
}

}  // namespace kv
