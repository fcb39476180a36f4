// Stream filters: ASCII85, RunLength, Flate (zlib) and LZW, with the PNG and
// TIFF predictors that /DecodeParms may name for Flate and LZW data.
//
// Corrupt data never fails: each decoder stops where it can go no further and
// keeps what it produced. Output is capped so that a small hostile stream
// cannot expand without bound.
#pragma once

#include "model.h"

#include <optional>
#include <string>
#include <string_view>

namespace pagelift {

constexpr size_t kMaxDecodedBytes = size_t{256} << 20;

// The decoded bytes of a loaded stream object; the stored bytes unchanged when
// it has no /Filter; none when /Filter names no filter known here. May reuse
// the object's stream bytes as scratch space.
std::optional<std::string> DecodeStream(PdfObject& obj);

std::string DecodeAscii85(std::string_view in);
std::string DecodeRunLength(std::string_view in);
std::string Inflate(std::string_view in);
std::string DecodeLzw(std::string_view in, bool earlyChange);

// Undoes /Predictor 2 (TIFF) or 10 to 15 (PNG) in place.
void UndoPredictor(std::string& data, int predictor, int colors, int bitsPerComponent, int columns);

}  // namespace pagelift
