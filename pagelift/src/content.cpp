// Content-stream text extraction. The forward walk passes over strings and
// arrays as whole units and remembers where the last one of each kind began
// and ended, so a handler that looks back from its operator to a string or an
// array finds its start without guessing at parentheses or escapes.
#include "content.h"

#include "document.h"
#include "filters.h"
#include "fonts.h"
#include "syntax.h"
#include "writers.h"

#include <cmath>
#include <set>

namespace pagelift {
namespace {

constexpr size_t kNone = std::string_view::npos;
// How far Tf looks back for its font name; names are at most 127 bytes.
constexpr size_t kMaxNameLookBack = 256;
// Nesting of /Contents arrays that refer to further arrays.
constexpr int kMaxContentDepth = 32;

// Index of the ')' closing the literal string opened at `open`, honouring
// escapes and balanced inner parentheses; the end of the text when unclosed.
size_t SkipLiteral(std::string_view s, size_t open) {
    int depth = 0;
    for (size_t i = open; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\') {
            ++i;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) return i;
        }
    }
    return s.size();
}

size_t SkipHex(std::string_view s, size_t open) {
    size_t close = s.find('>', open + 1);
    return close == kNone ? s.size() : close;
}

// Index of the ']' closing the array opened at `open`; strings inside the
// array are passed over whole, so a bracket inside a string does not end it.
size_t SkipArray(std::string_view s, size_t open) {
    for (size_t i = open + 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == ']') return i;
        if (c == '(') i = SkipLiteral(s, i);
        else if (c == '<') i = SkipHex(s, i);
    }
    return s.size();
}

struct Span {
    size_t open = kNone;
    size_t close = kNone;
};

struct Scanner {
    PageRecord& page;
    std::string_view s;
    Span literal, hex, array;  // the last of each passed over by the walk

    TextState& state() { return page.state; }

    // The byte before `op` after white space, or kNone at the start.
    size_t BackOverWhite(size_t op) const {
        if (op == 0) return kNone;
        size_t i = op - 1;
        while (i > 0 && IsWhite(static_cast<unsigned char>(s[i]))) --i;
        return i;
    }

    // Numbers before the operator, possibly over several lines. Returns how
    // many were read into `out`, 0 when the operands do not start a number.
    int Numbers(size_t op, int count, float* out) const {
        if (op == 0) return 0;
        const size_t sep = op - 1;
        auto operandByte = [](unsigned char c) { return IsNumberByte(c) || IsWhite(c); };
        if (!operandByte(static_cast<unsigned char>(s[sep])) || sep == 0) return 0;
        size_t i = sep;
        while (i > 0 && operandByte(static_cast<unsigned char>(s[i]))) --i;
        if (!operandByte(static_cast<unsigned char>(s[i]))) ++i;
        std::string_view text = s.substr(i, sep - i);
        size_t p = SkipWhite(text, 0);
        if (p >= text.size() || !IsNumberByte(static_cast<unsigned char>(text[p]))) return 0;
        int read = 0;
        while (read < count && ReadReal(text, p, out[read])) ++read;
        return read;
    }

    // The single number before the operator; `found` tells whether the
    // operand text starts with one.
    float Number(size_t op, bool& found) const {
        found = false;
        size_t last = BackOverWhite(op);
        if (last == kNone) return 0;
        size_t i = last;
        while (i > 0 && IsNumberByte(static_cast<unsigned char>(s[i]))) --i;
        if (!IsNumberByte(static_cast<unsigned char>(s[i]))) ++i;
        if (i > last) return 0;
        std::string_view text = s.substr(i, last + 1 - i);
        size_t p = 0;
        float value = 0;
        found = ReadReal(text, p, value);
        return found ? value : 0;
    }

    // The string shown by Tj or ': the literal or hexadecimal string that ends
    // right before the operator, white space apart; empty when there is none.
    std::string Shown(size_t op) const {
        size_t i = BackOverWhite(op);
        if (i == kNone) return {};
        if (s[i] == ')' && i == literal.close)
            return DecodeLiteral(s.substr(literal.open + 1, literal.close - literal.open - 1));
        if (s[i] == '>' && i == hex.close)
            return DecodeHex(s.substr(hex.open + 1, hex.close - hex.open - 1));
        return {};
    }

    void SetFont(size_t op) {
        if (op < 2) return;
        const size_t end = op - 1;
        size_t lower = end > kMaxNameLookBack ? end - kMaxNameLookBack : 0;
        size_t slash = kNone;
        for (size_t i = end; i-- > lower;) {
            if (s[i] == '/') {
                slash = i;
                break;
            }
        }
        if (slash == kNone) return;
        std::string_view text = s.substr(slash, end - slash);
        size_t j = 1;
        while (j < text.size() && !IsWhite(static_cast<unsigned char>(text[j])) &&
               !IsDelimiter(static_cast<unsigned char>(text[j])))
            ++j;
        state().fontName.assign(text.substr(0, j));
        float size;
        if (ReadReal(text, j, size)) state().fontSize = size;
    }

    void ShowString(std::string_view text) {
        state().position.x += EmitTextItem(page, text);
    }

    void ShowArray(size_t op) {
        size_t i = BackOverWhite(op);
        if (i == kNone || s[i] != ']' || i != array.close) return;
        for (size_t q = array.open + 1; q < array.close;) {
            char c = s[q];
            if (c == '(') {
                size_t close = std::min(SkipLiteral(s, q), array.close);
                ShowString(DecodeLiteral(s.substr(q + 1, close - q - 1)));
                q = close + 1;
            } else if (c == '<') {
                size_t close = std::min(SkipHex(s, q), array.close);
                ShowString(DecodeHex(s.substr(q + 1, close - q - 1)));
                q = close + 1;
            } else if (IsNumberByte(static_cast<unsigned char>(c))) {
                float n;
                size_t k = q;
                std::string_view inside = s.substr(0, array.close);
                if (ReadReal(inside, k, n)) {
                    // A positive adjustment moves the next string back.
                    float v = -n * state().fontSize * 0.001f;
                    float length = ScaleLength(state(), v);
                    state().position.x += v < 0 ? -length : length;
                    q = k;
                } else {
                    ++q;
                }
            } else {
                ++q;
            }
        }
    }

    void Run(int op, size_t p) {
        TextState& st = state();
        float v[6];
        bool found;
        switch (op) {
        case 0: {  // '
            float x = st.position.x;
            st.position.y += ScaleLength(st, st.leading);
            ShowString(Shown(p));
            st.position.x = x;
            break;
        }
        case 1: {  // Tm
            Matrix& t = st.textMatrix;
            float m[6] = {t.a, t.b, t.c, t.d, t.e, t.f};
            if (Numbers(p, 6, m) > 0) {
                t = Matrix{m[0], m[1], m[2], m[3], m[4], m[5]};
                st.lineStart = st.position = Point{};
                TransformPosition(st);
            }
            break;
        }
        case 2:  // TD
        case 3:  // Td
            v[0] = v[1] = 0;
            if (Numbers(p, 2, v) > 0) {
                st.lineStart.x += v[0];
                st.lineStart.y += v[1];
                st.position = st.lineStart;
                if (op == 2) st.leading = -v[1];
                TransformPosition(st);
            }
            break;
        case 4: ShowArray(p); break;
        case 5: ShowString(Shown(p)); break;
        case 6:  // BT
            st.lineStart = st.position = Point{};
            st.textMatrix = Matrix{};
            TransformPosition(st);
            break;
        case 7: st.charSpacing = Number(p, found); break;
        case 8: st.wordSpacing = Number(p, found); break;
        case 9:  // T*
            st.position = Point{st.lineStart.x, st.lineStart.y - st.leading};
            st.lineStart.y = st.position.y;
            TransformPosition(st);
            break;
        case 10: SetFont(p); break;
        case 11: {  // TL
            float leading = Number(p, found);
            if (found) st.leading = leading;
            break;
        }
        case 12: {  // cm
            float n[6] = {1, 0, 0, 1, 0, 0};
            if (Numbers(p, 6, n) > 0) {
                const Matrix m{n[0], n[1], n[2], n[3], n[4], n[5]};
                const Matrix o = st.ctm;
                st.ctm = Matrix{m.a * o.a + m.b * o.c, m.a * o.b + m.b * o.d,
                                m.c * o.a + m.d * o.c, m.c * o.b + m.d * o.d,
                                m.e * o.a + m.f * o.c + o.e, m.e * o.b + m.f * o.d + o.f};
            }
            break;
        }
        case 13: page.stateStack.push_back(st); break;  // q
        case 14:                                        // Q
            if (!page.stateStack.empty()) {
                st = std::move(page.stateStack.back());
                page.stateStack.pop_back();
            }
            break;
        default: break;
        }
    }

    // Which operator, if any, starts at p: its table number and length.
    int Match(size_t p, size_t& length) const {
        const char c = s[p];
        const char next = p + 1 < s.size() ? s[p + 1] : '\0';
        int op = -1;
        length = 1;
        switch (c) {
        case '\'': op = 0; break;
        case 'q': op = 13; break;
        case 'Q': op = 14; break;
        case 'B': if (next == 'T') op = 6, length = 2; break;
        case 'c': if (next == 'm') op = 12, length = 2; break;
        case 'T':
            length = 2;
            switch (next) {
            case 'm': op = 1; break;
            case 'D': op = 2; break;
            case 'd': op = 3; break;
            case 'J': op = 4; break;
            case 'j': op = 5; break;
            case 'c': op = 7; break;
            case 'w': op = 8; break;
            case '*': op = 9; break;
            case 'f': op = 10; break;
            case 'L': op = 11; break;
            default: break;
            }
            break;
        default: break;
        }
        if (op < 0) return -1;
        // An operator stands alone: not inside a longer name or keyword.
        if (p > 0) {
            unsigned char before = static_cast<unsigned char>(s[p - 1]);
            if (!IsWhite(before) && (!IsDelimiter(before) || before == '/')) return -1;
        }
        if (p + length < s.size()) {
            unsigned char after = static_cast<unsigned char>(s[p + length]);
            if (!IsWhite(after) && !IsDelimiter(after)) return -1;
        }
        return op;
    }

    void Walk() {
        for (size_t p = 0; p < s.size(); ++p) {
            const char c = s[p];
            if (c == '(') {
                literal = {p, SkipLiteral(s, p)};
                p = literal.close;
            } else if (c == '<') {
                hex = {p, SkipHex(s, p)};
                p = hex.close;
            } else if (c == '[') {
                array = {p, SkipArray(s, p)};
                p = array.close;
            } else {
                size_t length;
                int op = Match(p, length);
                if (op >= 0) {
                    Run(op, p);
                    p += length - 1;
                }
            }
        }
    }
};

void CollectContents(PdfDocument& doc, int32_t number, std::vector<int32_t>& out,
                     std::set<int32_t>& arrays, int depth) {
    // An array reached again is a loop and adds nothing.
    if (arrays.count(number)) return;
    PdfObject array;
    if (depth < kMaxContentDepth && LoadReferenceArray(doc, number, array)) {
        arrays.insert(number);
        for (int32_t ref : array.references) CollectContents(doc, ref, out, arrays, depth + 1);
    } else {
        out.push_back(number);
    }
}

}  // namespace

Matrix PageMatrix(float s, int32_t rotate, const Rect& box) {
    int64_t r = rotate;
    if (r < 0) r = 359 - ((359 - r) % 360);
    if (r > 359) r %= 360;
    switch (r) {
    case 90: return Matrix{0, s, s, 0, -s * box.y0, -s * box.x0};
    case 180: return Matrix{-s, 0, 0, s, s * box.x1, -s * box.y0};
    case 270: return Matrix{0, -s, -s, 0, s * box.y1, s * box.x1};
    default: return Matrix{s, 0, 0, -s, -s * box.x0, s * box.y1};
    }
}

void TransformPosition(TextState& st) {
    const Matrix& t = st.textMatrix;
    const Matrix& m = st.ctm;
    float x = t.a * st.position.x + t.c * st.position.y + t.e;
    float y = t.b * st.position.x + t.d * st.position.y + t.f;
    st.position.x = m.a * x + m.c * y + m.e + 0.5f;
    st.position.y = m.b * x + m.d * y + m.f + 0.5f;
}

float ScaleLength(const TextState& st, float v) {
    float x = st.textMatrix.c * v;
    float y = st.textMatrix.d * v;
    float dx = st.ctm.a * x + st.ctm.c * y;
    float dy = st.ctm.b * x + st.ctm.d * y;
    return std::sqrt(dx * dx + dy * dy);
}

float EstimateWidth(const TextState& st, std::string_view text) {
    const float base = 0.6f * st.fontSize + st.charSpacing;
    float width = 0;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        width += ScaleLength(st, text[i] == ' ' ? base + st.wordSpacing : base);
    return width;
}

float TextWidth(const TextState& st, const std::vector<FontEntry>& fonts, std::string_view shown,
                std::string_view mapped) {
    const FontEntry* font = CurrentFont(st, fonts);
    if (!font || !font->widths) return EstimateWidth(st, mapped);
    float width = 0;
    for (size_t i = 0; i < shown.size();) {
        const int bytes = FontCodeLength(*font, shown, i);
        uint32_t code = 0;
        for (int k = 0; k < bytes; ++k) {
            unsigned byte = i + k < shown.size() ? static_cast<unsigned char>(shown[i + k]) : 0;
            code = (code << 8) | byte;
        }
        i += bytes;
        float w = GlyphWidth(*font->widths, code) * st.fontSize + st.charSpacing;
        if (bytes == 1 && code == ' ') w += st.wordSpacing;
        width += ScaleLength(st, w);
    }
    return width;
}

float EmitTextItem(PageRecord& page, std::string_view shown) {
    if (shown.empty()) return 0;
    const TextState& st = page.state;
    TextItem item;
    item.text = MapCodes(st, page.fonts, shown);
    item.x = CutToInt(st.position.x);
    item.y = CutToInt(st.position.y);
    item.height = CutToInt(ScaleLength(st, st.fontSize) * 1.3f + 0.5f);
    float width = TextWidth(st, page.fonts, shown, item.text);
    item.width = CutToInt(width);
    page.items.push_back(std::move(item));
    return width;
}

std::string DecodeLiteral(std::string_view body) {
    std::string out;
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= body.size()) break;
        c = body[i];
        switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case '\r':  // a backslash before a line break continues the string
            if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
            break;
        case '\n': break;
        default:
            if (c >= '0' && c <= '7') {
                int value = c - '0';
                for (int k = 0; k < 2 && i + 1 < body.size() && body[i + 1] >= '0' && body[i + 1] <= '7'; ++k)
                    value = value * 8 + (body[++i] - '0');
                out += static_cast<char>(value & 0xFF);
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string DecodeHex(std::string_view body) {
    std::string out;
    out.reserve(body.size() / 2 + 1);
    int high = -1;
    for (char c : body) {
        int v = HexValue(static_cast<unsigned char>(c));
        if (v < 0) continue;
        if (high < 0) {
            high = v;
        } else {
            out += static_cast<char>((high << 4) | v);
            high = -1;
        }
    }
    if (high >= 0) out += static_cast<char>(high << 4);
    return out;
}

size_t CharLength(std::string_view t, size_t i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 1;
    if (c >= 0xF5) n = 1;
    if (n == 1 || i + n > t.size()) return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(t[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

void InterpretOperators(PageRecord& page, std::string_view content) {
    Scanner scanner{page, content, {}, {}, {}};
    scanner.Walk();
}

void InterpretContent(PdfDocument& doc, PageRecord& page, std::string_view content) {
    page.items.clear();
    InterpretOperators(page, content);
    WritePageItems(doc, page);
    page.items.clear();
}

bool ExtractPage(PdfDocument& doc, PageRecord& page) {
    if (!page.document || page.objectNumber == -1) return false;
    PdfObject pageObject = LoadObject(doc, page.objectNumber);
    const std::string& dict = pageObject.dict;

    TextState& st = page.state;
    if (auto at = LookupKey(pageObject, "/MediaBox")) ReadMediaBox(dict, *at, st.mediaBox);
    const float scale = static_cast<float>(doc.zoomRatio) * (1.0f / 72.0f);
    int32_t rotate = 0;
    if (auto at = ValueOf(pageObject, "/Rotate")) rotate = IntAt(dict, *at);
    st.ctm = PageMatrix(scale, rotate, st.mediaBox);

    page.fonts.clear();
    if (auto at = LookupKey(pageObject, "/Resources")) ReadResources(doc, page, pageObject, *at);

    auto contentsAt = ValueOf(pageObject, "/Contents");
    if (!contentsAt) return false;
    std::vector<int32_t> streams;
    std::set<int32_t> arrays;
    size_t p = *contentsAt;
    if (p < dict.size() && dict[p] == '[') {
        size_t close = dict.find(']', p + 1);
        if (close == std::string::npos) close = dict.size();
        for (int32_t ref : ScanReferences(std::string_view(dict).substr(p + 1, close - p - 1)))
            CollectContents(doc, ref, streams, arrays, 0);
    } else if (p < dict.size() && IsDigit(static_cast<unsigned char>(dict[p]))) {
        CollectContents(doc, IntAt(dict, p), streams, arrays, 0);
    }

    WritePagePrelude(doc, page);

    std::string content;
    for (int32_t number : streams) {
        PdfObject stream = LoadObject(doc, number);
        if (!stream.loaded) continue;
        auto decoded = DecodeStream(stream);
        if (!decoded) return false;
        if (content.size() + decoded->size() > kMaxDecodedBytes) break;
        // Streams join as if white space stood between them, so an operator at
        // the end of one does not run into the next.
        if (content.empty()) {
            content = std::move(*decoded);
        } else {
            content += '\n';
            content += *decoded;
        }
    }
    if (!content.empty()) InterpretContent(doc, page, content);
    WritePageEpilogue(page);
    page.fonts.clear();
    return true;
}

}  // namespace pagelift
