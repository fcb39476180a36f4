// Glyph names as fonts' /Differences arrays write them, turned into text.
#pragma once

#include <string>
#include <string_view>

namespace pagelift {

// The UTF-8 text of a glyph name ("fi" for /fi, "é" for /eacute, "A" for
// /A, the code point of /uni00E9 or /u1F600); empty for a name not known here.
std::string GlyphText(std::string_view name);

}  // namespace pagelift
