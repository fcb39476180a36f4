// The glyph names that text fonts use: letters and digits, ASCII punctuation,
// Latin-1 letters and signs, typographic quotes and dashes, the standard
// ligatures, and the uniXXXX / uXXXX forms.
#include "glyphs.h"

#include "syntax.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace pagelift {
namespace {

struct Named {
    std::string_view name;
    uint32_t code;
};

// Sorted by name for a binary search.
constexpr Named kNames[] = {
    {"AE", 0xC6}, {"Aacute", 0xC1}, {"Acircumflex", 0xC2}, {"Adieresis", 0xC4}, {"Agrave", 0xC0},
    {"Aring", 0xC5}, {"Atilde", 0xC3}, {"Ccedilla", 0xC7}, {"Eacute", 0xC9}, {"Ecircumflex", 0xCA},
    {"Edieresis", 0xCB}, {"Egrave", 0xC8}, {"Eth", 0xD0}, {"Euro", 0x20AC}, {"Iacute", 0xCD},
    {"Icircumflex", 0xCE}, {"Idieresis", 0xCF}, {"Igrave", 0xCC}, {"Lslash", 0x141}, {"Ntilde", 0xD1},
    {"OE", 0x152}, {"Oacute", 0xD3}, {"Ocircumflex", 0xD4}, {"Odieresis", 0xD6}, {"Ograve", 0xD2},
    {"Oslash", 0xD8}, {"Otilde", 0xD5}, {"Scaron", 0x160}, {"Thorn", 0xDE}, {"Uacute", 0xDA},
    {"Ucircumflex", 0xDB}, {"Udieresis", 0xDC}, {"Ugrave", 0xD9}, {"Yacute", 0xDD}, {"Ydieresis", 0x178},
    {"Zcaron", 0x17D}, {"aacute", 0xE1}, {"acircumflex", 0xE2}, {"acute", 0xB4}, {"adieresis", 0xE4},
    {"ae", 0xE6}, {"agrave", 0xE0}, {"ampersand", 0x26}, {"aring", 0xE5}, {"asciicircum", 0x5E},
    {"asciitilde", 0x7E}, {"asterisk", 0x2A}, {"at", 0x40}, {"atilde", 0xE3}, {"backslash", 0x5C},
    {"bar", 0x7C}, {"braceleft", 0x7B}, {"braceright", 0x7D}, {"bracketleft", 0x5B},
    {"bracketright", 0x5D}, {"breve", 0x2D8}, {"brokenbar", 0xA6}, {"bullet", 0x2022}, {"caron", 0x2C7},
    {"ccedilla", 0xE7}, {"cedilla", 0xB8}, {"cent", 0xA2}, {"circumflex", 0x2C6}, {"colon", 0x3A},
    {"comma", 0x2C}, {"copyright", 0xA9}, {"currency", 0xA4}, {"dagger", 0x2020}, {"daggerdbl", 0x2021},
    {"degree", 0xB0}, {"dieresis", 0xA8}, {"divide", 0xF7}, {"dollar", 0x24}, {"dotaccent", 0x2D9},
    {"dotlessi", 0x131}, {"eacute", 0xE9}, {"ecircumflex", 0xEA}, {"edieresis", 0xEB}, {"egrave", 0xE8},
    {"eight", 0x38}, {"ellipsis", 0x2026}, {"emdash", 0x2014}, {"endash", 0x2013}, {"equal", 0x3D},
    {"eth", 0xF0}, {"exclam", 0x21}, {"exclamdown", 0xA1}, {"five", 0x35}, {"florin", 0x192},
    {"four", 0x34}, {"fraction", 0x2044}, {"germandbls", 0xDF}, {"grave", 0x60}, {"greater", 0x3E},
    {"guillemotleft", 0xAB}, {"guillemotright", 0xBB}, {"guilsinglleft", 0x2039},
    {"guilsinglright", 0x203A}, {"hungarumlaut", 0x2DD}, {"hyphen", 0x2D}, {"iacute", 0xED},
    {"icircumflex", 0xEE}, {"idieresis", 0xEF}, {"igrave", 0xEC}, {"less", 0x3C}, {"logicalnot", 0xAC},
    {"lslash", 0x142}, {"macron", 0xAF}, {"minus", 0x2212}, {"mu", 0xB5}, {"multiply", 0xD7},
    {"nine", 0x39}, {"ntilde", 0xF1}, {"numbersign", 0x23}, {"oacute", 0xF3}, {"ocircumflex", 0xF4},
    {"odieresis", 0xF6}, {"oe", 0x153}, {"ogonek", 0x2DB}, {"ograve", 0xF2}, {"one", 0x31},
    {"onehalf", 0xBD}, {"onequarter", 0xBC}, {"ordfeminine", 0xAA}, {"ordmasculine", 0xBA},
    {"oslash", 0xF8}, {"otilde", 0xF5}, {"paragraph", 0xB6}, {"parenleft", 0x28}, {"parenright", 0x29},
    {"percent", 0x25}, {"period", 0x2E}, {"periodcentered", 0xB7}, {"perthousand", 0x2030},
    {"plus", 0x2B}, {"plusminus", 0xB1}, {"question", 0x3F}, {"questiondown", 0xBF}, {"quotedbl", 0x22},
    {"quotedblbase", 0x201E}, {"quotedblleft", 0x201C}, {"quotedblright", 0x201D},
    {"quoteleft", 0x2018}, {"quoteright", 0x2019}, {"quotesinglbase", 0x201A}, {"quotesingle", 0x27},
    {"registered", 0xAE}, {"ring", 0x2DA}, {"scaron", 0x161}, {"section", 0xA7}, {"semicolon", 0x3B},
    {"seven", 0x37}, {"six", 0x36}, {"slash", 0x2F}, {"space", 0x20}, {"sterling", 0xA3}, {"thorn", 0xFE},
    {"three", 0x33}, {"threequarters", 0xBE}, {"tilde", 0x2DC}, {"trademark", 0x2122}, {"two", 0x32},
    {"uacute", 0xFA}, {"ucircumflex", 0xFB}, {"udieresis", 0xFC}, {"ugrave", 0xF9}, {"underscore", 0x5F},
    {"yacute", 0xFD}, {"ydieresis", 0xFF}, {"yen", 0xA5}, {"zcaron", 0x17E}, {"zero", 0x30},
};

constexpr std::pair<std::string_view, std::string_view> kLigatures[] = {
    {"ff", "ff"}, {"ffi", "ffi"}, {"ffl", "ffl"}, {"fi", "fi"}, {"fl", "fl"},
};

static_assert(std::is_sorted(std::begin(kNames), std::end(kNames),
                             [](const Named& a, const Named& b) { return a.name < b.name; }));

}  // namespace

std::string GlyphText(std::string_view name) {
    std::string out;
    if (name.size() == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'))) {
        out = std::string(name);
        return out;
    }
    for (const auto& [ligature, text] : kLigatures)
        if (name == ligature) return std::string(text);
    auto it = std::lower_bound(std::begin(kNames), std::end(kNames), name,
                               [](const Named& a, std::string_view n) { return a.name < n; });
    if (it != std::end(kNames) && it->name == name) {
        AppendUtf8(out, it->code);
        return out;
    }
    // uniXXXX (one BMP character) and uXXXX to uXXXXXX.
    std::string_view hex;
    if (name.size() == 7 && StartsWith(name, "uni")) hex = name.substr(3);
    else if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u') hex = name.substr(1);
    if (hex.empty()) return out;
    uint32_t code = 0;
    for (char c : hex) {
        int v = HexValue(static_cast<unsigned char>(c));
        if (v < 0) return out;
        code = code * 16 + static_cast<uint32_t>(v);
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return out;
    AppendUtf8(out, code);
    return out;
}

}  // namespace pagelift
