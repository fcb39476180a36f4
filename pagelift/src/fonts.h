// Fonts of a page and character mapping: reads the page's font resources and
// their /ToUnicode maps, and turns shown strings into text through the map of
// the current font. Nothing else about fonts is read; a string shown in a font
// without a usable map passes on as its raw bytes.
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

// The text of `shown` in the current font: through its /ToUnicode map when it
// has one (UTF-8 when at least one code maps, the bytes unchanged otherwise);
// else each byte that its /Differences names as the glyph's text, and every
// other byte unchanged.
std::string MapCodes(const TextState& state, const std::vector<FontEntry>& fonts,
                     std::string_view shown);

}  // namespace pagelift
