// One conversion from input path to output path, as PAGELIFT runs it once the
// arguments are checked and the busy flag is taken: the PDF route through the
// reader and writers, and the office route for word-processor documents.
#pragma once

#include <cstdint>
#include <string>

namespace pagelift {

struct Options {
    int32_t textFormat = 1;
    int32_t zoomRatio = 100;
    std::string pageSeparator;
};

// 1 when the call was handled, 0 when it was refused.
int32_t Convert(const std::string& input, const std::string& output, const Options& options);

// Converts a word-processor document with LibreOffice (soffice on PATH) into
// text, or into HTML when the output ends in ".htm" or ".html". Does nothing
// when LibreOffice is not installed or the conversion produces no file.
void ConvertWithWord(const std::string& input, const std::string& output);

}  // namespace pagelift
