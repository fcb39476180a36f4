// Fonts of a page and character mapping: reads the page's font resources,
// their /ToUnicode maps and glyph widths, and turns shown strings into text
// through the map of the current font. A string shown in a font without a
// usable map passes on as its raw bytes.
#pragma once

#include "model.h"

#include <memory>
#include <string>
#include <string_view>

namespace pagelift {

// Fills page.fonts from the page's resources, given the position of the
// /Resources value in the page dictionary.
void ReadResources(PdfDocument& doc, PageRecord& page, const PdfObject& pageObject,
                   size_t resourcesValue);

// Fills page.fonts from a font dictionary text "<< /F1 5 0 R ... >>" that
// starts `text` (after white space).
void LoadFonts(PdfDocument& doc, PageRecord& page, std::string_view text);

// Reads the code-space ranges and the mapping lines of a decoded map.
std::shared_ptr<const CharMap> ReadCharMap(std::string_view decoded);

// Glyph widths from a font dictionary: /FirstChar and /Widths (with the
// descriptor's /MissingWidth) for simple fonts, /W and /DW of the descendant
// for Type0 fonts with an identity encoding. Null when the font gives none.
std::shared_ptr<const FontWidths> ReadWidths(PdfDocument& doc, std::string_view fontDict);

// The entry whose name equals the state's font name, case aside; null if none.
const FontEntry* CurrentFont(const TextState& state, const std::vector<FontEntry>& fonts);

// Length of the code at shown[i]: as the font's map reads codes when it has
// code spaces, otherwise one byte, or two in a composite font.
int FontCodeLength(const FontEntry& font, std::string_view shown, size_t i);

// Width of a code in text space per unit of font size.
float GlyphWidth(const FontWidths& widths, uint32_t code);

// The text of `shown` in the current font: through its /ToUnicode map when it
// has one (UTF-8 when at least one code maps, the bytes unchanged otherwise);
// else each byte that its /Differences names as the glyph's text, and every
// other byte unchanged.
std::string MapCodes(const TextState& state, const std::vector<FontEntry>& fonts,
                     std::string_view shown);

}  // namespace pagelift
