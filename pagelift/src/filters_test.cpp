#include "filters.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

namespace pagelift {
namespace {

std::string Deflate(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
             data.size());
    out.resize(size);
    return out;
}

// A plain LZW encoder: 9 to 12 bit codes, a clear code first and when the
// table is full, widths growing one code early unless `earlyChange` is off.
std::string EncodeLzw(const std::string& data, bool earlyChange) {
    std::string out;
    uint32_t accumulator = 0;
    int bits = 0, width = 9;
    auto emit = [&](int code) {
        accumulator = (accumulator << width) | code;
        bits += width;
        while (bits >= 8) {
            out += static_cast<char>(accumulator >> (bits - 8));
            bits -= 8;
        }
    };
    std::map<std::string, int> table;
    auto reset = [&] {
        table.clear();
        for (int i = 0; i < 256; ++i) table[std::string(1, static_cast<char>(i))] = i;
    };
    reset();
    int next = 258;
    emit(256);
    std::string w;
    for (char c : data) {
        std::string wc = w + c;
        if (table.count(wc)) {
            w = wc;
            continue;
        }
        emit(table[w]);
        table[wc] = next++;
        if (next + (earlyChange ? 1 : 0) > (1 << width) && width < 12) ++width;
        if (next >= 4094) {
            emit(256);
            reset();
            next = 258;
            width = 9;
        }
        w = std::string(1, c);
    }
    if (!w.empty()) emit(table[w]);
    emit(257);
    if (bits > 0) out += static_cast<char>(accumulator << (8 - bits));
    return out;
}

// Rows of `columns` bytes, each behind a PNG filter byte (cycling through
// the five types); bpp is one byte.
std::string EncodePng(const std::string& data, int columns) {
    std::string out;
    std::string prior(columns, '\0');
    for (size_t row = 0, type = 0; row < data.size(); row += columns, type = (type + 1) % 5) {
        std::string raw = data.substr(row, columns);
        raw.resize(columns, '\0');
        out += static_cast<char>(type);
        for (int i = 0; i < columns; ++i) {
            int left = i > 0 ? static_cast<unsigned char>(raw[i - 1]) : 0;
            int up = static_cast<unsigned char>(prior[i]);
            int upLeft = i > 0 ? static_cast<unsigned char>(prior[i - 1]) : 0;
            int predicted = 0;
            switch (type) {
            case 1: predicted = left; break;
            case 2: predicted = up; break;
            case 3: predicted = (left + up) / 2; break;
            case 4: {
                int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up),
                    pc = std::abs(p - upLeft);
                predicted = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
                break;
            }
            default: break;
            }
            out += static_cast<char>(static_cast<unsigned char>(raw[i]) - predicted);
        }
        prior = raw;
    }
    return out;
}

PdfObject StreamObject(const std::string& dict, const std::string& bytes) {
    PdfObject obj;
    obj.loaded = true;
    obj.dict = dict;
    obj.stream = bytes;
    return obj;
}

const std::string kText = "BT /F1 12 Tf 72 720 Td (Hello world) Tj ET\n";

TEST(Ascii85, DecodesGroupsAcrossWhiteSpace) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"87cURD]j7BEbo80~>", "Hello world!"},
        {"87cUR D]j7B\tEbo80~>", "Hello world!"},      // spaces and tabs between groups
        {"87cUR\r\nD]j7B\nEbo80~>", "Hello world!"},   // line breaks
        {"87c U R D]j7BEbo80", "Hello world!"},          // inside a group, no end marker
        {"z5sb~>", std::string("\0\0\0\0AB", 6)},
        {"5l~>", "A"},                                   // a two-digit group gives one byte
        {"87cURD]j7BEbo7~>ignored", "Hello world"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeAscii85(c.in), c.out) << c.in;
}

TEST(RunLength, CopiesAndRepeats) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {std::string("\x02" "abc" "\xFE" "x" "\x80" "zz"), "abcxxx"},
        {std::string("\x04" "ab"), "ab"},  // a cut-short run copies what there is
        {std::string("\xFF"), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeRunLength(c.in), c.out);
}

TEST(Flate, InflatesAndKeepsWhatACorruptStreamGave) {
    std::string big(100000, 'a');
    EXPECT_EQ(Inflate(Deflate(kText)), kText);
    EXPECT_EQ(Inflate(Deflate(big)), big);
    std::string cut = Deflate(big);
    cut.resize(cut.size() / 2);
    std::string partial = Inflate(cut);
    EXPECT_FALSE(partial.empty());
    EXPECT_EQ(partial, big.substr(0, partial.size()));
    EXPECT_EQ(Inflate("not zlib"), "");
}

TEST(Lzw, HonoursEarlyChangeBothWays) {
    std::string data;
    for (int i = 0; i < 3000; ++i) data += std::to_string(i * 7919 % 1000) + " ";
    EXPECT_EQ(DecodeLzw(EncodeLzw(data, true), true), data);
    EXPECT_EQ(DecodeLzw(EncodeLzw(data, false), false), data);
    EXPECT_NE(DecodeLzw(EncodeLzw(data, false), true), data);
    EXPECT_EQ(DecodeLzw(EncodeLzw("", true), true), "");
}

TEST(Predictor, UndoesPngAndTiffRows) {
    std::string data;
    for (int i = 0; i < 200; ++i) data += static_cast<char>(i * 37 % 251);
    std::string png = EncodePng(data, 10);
    UndoPredictor(png, 12, 1, 8, 10);
    EXPECT_EQ(png, data);

    std::string tiff = "\x01\x02\x03\x01\x01\x01\x05\x05\x05";  // three RGB pixels, differenced
    UndoPredictor(tiff, 2, 3, 8, 3);
    EXPECT_EQ(tiff, "\x01\x02\x03\x02\x03\x04\x07\x08\x09");

    std::string untouched = "abc";
    UndoPredictor(untouched, 1, 1, 8, 1);
    EXPECT_EQ(untouched, "abc");
}

TEST(DecodeStream, RunsTheNamedFilters) {
    const std::string flate = Deflate(kText);
    std::string a85;
    {
        // ASCII85 of the deflated bytes, written by hand so the test needs no encoder library.
        for (size_t i = 0; i < flate.size(); i += 4) {
            std::string group = flate.substr(i, 4);
            size_t n = group.size();
            group.resize(4, '\0');
            uint32_t v = 0;
            for (char c : group) v = v * 256 + static_cast<unsigned char>(c);
            char digits[5];
            for (int k = 4; k >= 0; --k) {
                digits[k] = static_cast<char>(v % 85 + 33);
                v /= 85;
            }
            a85.append(digits, n + 1);
            a85 += ' ';
        }
        a85 += "~>";
    }
    struct Case {
        std::string name, dict, bytes;
        std::optional<std::string> out;
    } cases[] = {
        {"no filter", "<< /Length 5", "raw", std::string("raw")},
        {"flate", "<< /Filter /FlateDecode", flate, kText},
        {"short names", "<< /Filter [/A85 /Fl]", a85, kText},
        {"ascii85 then flate", "<< /Filter [/ASCII85Decode /FlateDecode]", a85, kText},
        {"same names, other order", "<< /Filter [/FlateDecode /ASCII85Decode]", a85, kText},
        {"png predictor", "<< /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 8 >>",
         Deflate(EncodePng(kText, 8)), kText + std::string(8 - kText.size() % 8, '\0')},
        {"lzw without early change", "<< /Filter /LZWDecode /DecodeParms << /EarlyChange 0 >>",
         EncodeLzw(kText, false), kText},
        {"image filter", "<< /Filter /DCTDecode", "jpeg", std::nullopt},
        {"unknown filter array", "<< /Filter [/JBIG2Decode]", "x", std::nullopt},
    };
    for (Case& c : cases) {
        PdfObject obj = StreamObject(c.dict, c.bytes);
        EXPECT_EQ(DecodeStream(obj), c.out) << c.name;
    }
}

}  // namespace
}  // namespace pagelift
