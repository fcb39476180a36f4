// Output writers: the document report at the head of a ".txt" output, the line
// before each page of text output, and each page's text items, first joined
// into runs and then written as layout text (a character grid), line text, or
// one HTML file per page. Files are written in text mode (LF stored as CR LF)
// and opened, appended to and closed again for every step; a file that cannot
// be opened is skipped.
#pragma once

#include "model.h"

#include <string>
#include <string_view>
#include <vector>

namespace pagelift {

// From the last dot of the path's last component to its end; "" without dot.
std::string_view ExtensionOf(std::string_view path);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Writes `text` to `path`, each LF as CR LF; appends, or creates the file anew.
bool WriteText(const std::string& path, std::string_view text, bool append = true);

std::string InfoReport(const PdfDocument& doc);
void WriteInfoReport(const PdfDocument& doc);

std::string SeparatorLine(const std::string& label, int32_t index);
// The page's HTML file, or "" when the output is not HTML.
std::string PageFileName(std::string_view outputPath, int32_t index);
// The link from one page file to another: name and extension only.
std::string PageLinkName(std::string_view outputPath, int32_t index);
// Prologue and navigation of page `index` out of `pages`.
std::string HtmlPrologue(std::string_view outputPath, int32_t index, int32_t pages);

void WritePagePrelude(const PdfDocument& doc, PageRecord& page);
void WritePageItems(const PdfDocument& doc, PageRecord& page);
void WritePageEpilogue(const PageRecord& page);

void MergeItems(std::vector<TextItem>& items);
float LineHeight(const std::vector<TextItem>& items);

// What each writer appends for a page's (merged) items; "" means nothing.
std::string LayoutText(const std::vector<TextItem>& items);
std::string LineText(const std::vector<TextItem>& items);
std::string HtmlItems(const std::vector<TextItem>& items);

void WriteLayoutText(const PdfDocument& doc, const PageRecord& page);
void WriteLineText(const PdfDocument& doc, const PageRecord& page);
void WriteHtmlItems(const PageRecord& page);

}  // namespace pagelift
