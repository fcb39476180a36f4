// Stream filters. A filter is recognised by its name anywhere in the dictionary
// text after /Filter, and filters run in a fixed order: ASCII85 and RunLength
// on the stored bytes, then Flate or LZW on the result of the first step when
// there is one.
#include "filters.h"

#include "document.h"
#include "syntax.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace pagelift {
namespace {

bool Names(std::string_view filters, std::string_view full, std::string_view abbreviation) {
    return filters.find(full) != std::string_view::npos ||
           filters.find(abbreviation) != std::string_view::npos;
}

int IntKey(const PdfObject& obj, std::string_view key, int fallback) {
    auto at = ValueOf(obj, key);
    return at ? IntAt(obj.dict, *at, fallback) : fallback;
}

void ApplyPredictor(const PdfObject& obj, std::string& data) {
    int predictor = IntKey(obj, "/Predictor", 1);
    if (predictor < 2) return;
    UndoPredictor(data, predictor, IntKey(obj, "/Colors", 1), IntKey(obj, "/BitsPerComponent", 8),
                  IntKey(obj, "/Columns", 1));
}

int Paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

std::optional<std::string> DecodeStream(PdfObject& obj) {
    auto at = LookupKey(obj, "/Filter");
    if (!at) return std::move(obj.stream);
    const std::string_view filters = std::string_view(obj.dict).substr(*at);

    std::string out;
    bool known = false;
    if (Names(filters, "/ASCII85Decode", "/A85")) {
        out += DecodeAscii85(obj.stream);
        known = true;
    }
    if (Names(filters, "/RunLengthDecode", "/RL")) {
        out += DecodeRunLength(obj.stream);
        known = true;
    }
    if (Names(filters, "/FlateDecode", "/Fl")) {
        if (!out.empty()) obj.stream = std::move(out);
        out = Inflate(obj.stream);
        ApplyPredictor(obj, out);
        known = true;
    }
    if (Names(filters, "/LZWDecode", "/LZW")) {
        if (!out.empty()) obj.stream = std::move(out);
        out = DecodeLzw(obj.stream, IntKey(obj, "/EarlyChange", 1) != 0);
        ApplyPredictor(obj, out);
        known = true;
    }
    if (!known) return std::nullopt;
    return out;
}

std::string DecodeAscii85(std::string_view in) {
    std::string out;
    size_t p = 0;
    auto next = [&](unsigned char& c) {
        while (p < in.size() && IsWhite(static_cast<unsigned char>(in[p]))) ++p;
        if (p >= in.size() || in[p] == '~') return false;
        c = static_cast<unsigned char>(in[p++]);
        return true;
    };
    for (;;) {
        unsigned char c;
        if (!next(c)) break;
        if (c == 'z') {
            out.append(4, '\0');
            continue;
        }
        unsigned char digits[5] = {c, 'u', 'u', 'u', 'u'};
        int k = 1;
        while (k < 5 && next(digits[k])) ++k;
        uint32_t value = 0;
        for (unsigned char d : digits) value = value * 85 + static_cast<uint32_t>(d - 33);
        char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                         static_cast<char>(value >> 8), static_cast<char>(value)};
        out.append(bytes, k < 5 ? k - 1 : 4);
        if (k < 5 || out.size() >= kMaxDecodedBytes) break;
    }
    return out;
}

std::string DecodeRunLength(std::string_view in) {
    std::string out;
    size_t p = 0;
    while (p < in.size() && out.size() < kMaxDecodedBytes) {
        unsigned length = static_cast<unsigned char>(in[p++]);
        if (length == 128) break;
        if (length < 128) {
            size_t n = std::min<size_t>(length + 1, in.size() - p);
            out.append(in.substr(p, n));
            p += n;
        } else {
            if (p >= in.size()) break;
            out.append(257 - length, in[p++]);
        }
    }
    return out;
}

std::string Inflate(std::string_view in) {
    std::string out;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return out;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(std::min<size_t>(in.size(), 0xFFFFFFFFu));
    size_t chunk = std::max<size_t>(in.size() * 4, 4096);
    size_t have = 0;
    while (have < kMaxDecodedBytes) {
        chunk = std::min(chunk, kMaxDecodedBytes - have);
        out.resize(have + chunk);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + have);
        zs.avail_out = static_cast<uInt>(chunk);
        int result = inflate(&zs, Z_NO_FLUSH);
        have = out.size() - zs.avail_out;
        if (result != Z_OK) break;
        chunk = std::min<size_t>(chunk * 2, 16 << 20);
    }
    out.resize(have);
    inflateEnd(&zs);
    return out;
}

std::string DecodeLzw(std::string_view in, bool earlyChange) {
    struct Entry {
        uint16_t prefix;
        uint16_t length;
        unsigned char last;
    };
    std::vector<Entry> table(4097);
    for (int i = 0; i < 256; ++i) table[i] = {0, 1, static_cast<unsigned char>(i)};

    std::string out;
    std::string current, previous;
    int next = 258, width = 9, previousCode = -1;
    bool firstAfterReset = true;
    uint32_t accumulator = 0;
    int bits = 0;
    size_t p = 0;
    auto reset = [&] {
        next = 258;
        width = 9;
        firstAfterReset = true;
    };
    const int shift = earlyChange ? 1 : 0;

    while (out.size() < kMaxDecodedBytes) {
        while (bits < width) {
            if (p >= in.size()) return out;
            accumulator = (accumulator << 8) | static_cast<unsigned char>(in[p++]);
            bits += 8;
        }
        int code = static_cast<int>((accumulator >> (bits - width)) & ((1u << width) - 1));
        bits -= width;
        if (code == 257) break;
        if (code == 256) {
            reset();
            continue;
        }
        if (next >= 4097) reset();

        if (code < 256) {
            current.assign(1, static_cast<char>(code));
        } else if (code < next) {
            current.resize(table[code].length);
            int c = code;
            for (size_t i = current.size(); i-- > 0;) {
                current[i] = static_cast<char>(table[c].last);
                c = table[c].prefix;
            }
        } else if (code == next && !previous.empty()) {
            current = previous;
            current += previous[0];
        } else {
            break;  // a code that cannot exist yet: the data is corrupt
        }

        if (firstAfterReset) {
            firstAfterReset = false;
        } else if (previousCode >= 0) {
            table[next] = {static_cast<uint16_t>(previousCode),
                           static_cast<uint16_t>(std::min<size_t>(previous.size() + 1, 0xFFFF)),
                           static_cast<unsigned char>(current[0])};
            ++next;
            if (next == 512 - shift) width = 10;
            else if (next == 1024 - shift) width = 11;
            else if (next == 2048 - shift) width = 12;
        }
        out += current;
        previous.swap(current);
        previousCode = code;
    }
    return out;
}

void UndoPredictor(std::string& data, int predictor, int colors, int bitsPerComponent, int columns) {
    if (predictor < 2) return;
    colors = std::clamp(colors, 1, 32);
    if (bitsPerComponent != 1 && bitsPerComponent != 2 && bitsPerComponent != 4 &&
        bitsPerComponent != 16)
        bitsPerComponent = 8;
    columns = std::clamp(columns, 1, 1 << 24);
    const size_t pixelBits = static_cast<size_t>(colors) * bitsPerComponent;
    size_t rowBytes = (pixelBits * columns + 7) / 8;
    const size_t bpp = std::max<size_t>(1, (pixelBits + 7) / 8);
    rowBytes = std::min(rowBytes, std::max<size_t>(data.size(), 1));

    if (predictor == 2) {
        // Horizontal differencing; only whole-byte components are handled.
        if (bitsPerComponent < 8) return;
        for (size_t row = 0; row < data.size(); row += rowBytes) {
            size_t end = std::min(row + rowBytes, data.size());
            if (bitsPerComponent == 8) {
                for (size_t i = row + bpp; i < end; ++i)
                    data[i] = static_cast<char>(data[i] + data[i - bpp]);
            } else {
                for (size_t i = row + bpp; i + 1 < end; i += 2) {
                    unsigned left = (static_cast<unsigned char>(data[i - bpp]) << 8) |
                                    static_cast<unsigned char>(data[i - bpp + 1]);
                    unsigned here = (static_cast<unsigned char>(data[i]) << 8) |
                                    static_cast<unsigned char>(data[i + 1]);
                    unsigned sum = (left + here) & 0xFFFF;
                    data[i] = static_cast<char>(sum >> 8);
                    data[i + 1] = static_cast<char>(sum);
                }
            }
        }
        return;
    }
    if (predictor < 10) return;

    // PNG: every row starts with its own filter type byte.
    std::string out;
    out.reserve(data.size());
    std::vector<unsigned char> prior(rowBytes, 0), row(rowBytes, 0);
    size_t p = 0;
    while (p < data.size()) {
        int type = static_cast<unsigned char>(data[p++]);
        size_t n = std::min(rowBytes, data.size() - p);
        for (size_t i = 0; i < n; ++i) {
            int raw = static_cast<unsigned char>(data[p + i]);
            int left = i >= bpp ? row[i - bpp] : 0;
            int up = prior[i];
            int upLeft = i >= bpp ? prior[i - bpp] : 0;
            switch (type) {
            case 1: raw += left; break;
            case 2: raw += up; break;
            case 3: raw += (left + up) / 2; break;
            case 4: raw += Paeth(left, up, upLeft); break;
            default: break;
            }
            row[i] = static_cast<unsigned char>(raw);
        }
        out.append(reinterpret_cast<const char*>(row.data()), n);
        p += n;
        prior.swap(row);
    }
    data.swap(out);
}

}  // namespace pagelift
