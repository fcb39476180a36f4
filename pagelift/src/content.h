// Content-stream text extraction: sets up a page's coordinate mapping, reads
// its fonts, decodes its content streams and scans them for the text
// operators, turning every shown string into a TextItem in device units
// (origin top-left, y downwards, zoom-ratio units per inch).
//
// The scanner has no tokenizer: it looks for operator names at every byte
// outside strings and arrays, and each handler finds its operands by looking
// back from the operator in the raw bytes.
#pragma once

#include "model.h"

#include <string>
#include <string_view>

namespace pagelift {

// Extracts one page and writes its output. False when the page has no
// /Contents or a content stream uses a filter not known here; the conversion
// stops at such a page.
bool ExtractPage(PdfDocument& doc, PageRecord& page);

// Runs the operators of `content` on the page's state, appending to
// page.items.
void InterpretOperators(PageRecord& page, std::string_view content);

// InterpretOperators, then writes the page's items and drops them.
void InterpretContent(PdfDocument& doc, PageRecord& page, std::string_view content);

// The page-to-device matrix for scale s, rotation r (normalised here) and box.
Matrix PageMatrix(float scale, int32_t rotate, const Rect& box);

void TransformPosition(TextState& state);
float ScaleLength(const TextState& state, float length);
float EstimateWidth(const TextState& state, std::string_view text);
// The width of a shown string: by its codes from the current font's glyph
// widths when the font gives them, else EstimateWidth of the mapped text.
float TextWidth(const TextState& state, const std::vector<FontEntry>& fonts, std::string_view shown,
                std::string_view mapped);
float EmitTextItem(PageRecord& page, std::string_view shown);

// The bytes of a literal string body (without its parentheses) and of a
// hexadecimal string body (without its angle brackets).
std::string DecodeLiteral(std::string_view body);
std::string DecodeHex(std::string_view body);

// Length of the UTF-8 character at text[i], 1 for a byte that starts none.
size_t CharLength(std::string_view text, size_t i);

}  // namespace pagelift
