// Byte classes and number readers shared by the parser layers.
//
// Every reader takes a position and the end of its text and never reads past
// that end; numbers that do not fit are clamped instead of overflowing.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace pagelift {

inline bool IsWhite(unsigned char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0;
}

inline bool IsDelimiter(unsigned char c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
}

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

inline bool IsNumberByte(unsigned char c) {
    return IsDigit(c) || c == '-' || c == '+' || c == '.';
}

inline int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline size_t SkipWhite(std::string_view s, size_t i) {
    while (i < s.size() && IsWhite(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

inline size_t SkipSpaces(std::string_view s, size_t i) {
    while (i < s.size() && s[i] == ' ') ++i;
    return i;
}

// Reads an optionally signed decimal integer after white space, clamped to the
// 32-bit range. Returns false (and leaves `out` alone) when there is none.
inline bool ReadInt(std::string_view s, size_t& i, int32_t& out) {
    size_t p = SkipWhite(s, i);
    bool negative = false;
    if (p < s.size() && (s[p] == '-' || s[p] == '+')) {
        negative = s[p] == '-';
        ++p;
    }
    if (p >= s.size() || !IsDigit(static_cast<unsigned char>(s[p]))) return false;
    int64_t value = 0;
    while (p < s.size() && IsDigit(static_cast<unsigned char>(s[p]))) {
        if (value < (int64_t{1} << 40)) value = value * 10 + (s[p] - '0');
        ++p;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) value = std::numeric_limits<int32_t>::min();
    out = static_cast<int32_t>(value);
    i = p;
    return true;
}

inline int32_t IntAt(std::string_view s, size_t i, int32_t fallback = 0) {
    int32_t v = fallback;
    ReadInt(s, i, v);
    return v;
}

// Reads a PDF real number ("-12", "3.5", ".5", "+1.") after white space.
inline bool ReadReal(std::string_view s, size_t& i, float& out) {
    size_t p = SkipWhite(s, i);
    bool negative = false;
    if (p < s.size() && (s[p] == '-' || s[p] == '+')) {
        negative = s[p] == '-';
        ++p;
    }
    double value = 0;
    bool digits = false;
    while (p < s.size() && IsDigit(static_cast<unsigned char>(s[p]))) {
        value = value * 10 + (s[p] - '0');
        digits = true;
        ++p;
    }
    if (p < s.size() && s[p] == '.') {
        ++p;
        double scale = 0.1;
        while (p < s.size() && IsDigit(static_cast<unsigned char>(s[p]))) {
            value += (s[p] - '0') * scale;
            scale *= 0.1;
            digits = true;
            ++p;
        }
    }
    if (!digits) return false;
    if (value > 1e30) value = 1e30;
    out = static_cast<float>(negative ? -value : value);
    i = p;
    return true;
}

// Cuts a float toward zero into the range where integer sums cannot overflow.
inline int32_t CutToInt(float v) {
    if (!(v == v)) return 0;
    if (v > 1e9f) return 1000000000;
    if (v < -1e9f) return -1000000000;
    return static_cast<int32_t>(v);
}

inline int32_t ClampToInt(int64_t v) {
    if (v > 1000000000) return 1000000000;
    if (v < -1000000000) return -1000000000;
    return static_cast<int32_t>(v);
}

inline bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Appends the UTF-8 form of a code point.
inline void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace pagelift
