// The file layer: opens a PDF, reads its cross-reference sections and trailer,
// loads objects by number, reads the information dictionary and collects the
// pages. It works on text: a dictionary is the raw text between "<<" and ">>",
// and a key is found by searching that text for the key's bytes.
#pragma once

#include "model.h"

#include <optional>
#include <string_view>

namespace pagelift {

// Reads the line at doc.pos and moves past its line break, where CR LF, LF CR,
// CR CR and LF LF each count as one break. Empty at the end of the file.
std::string_view ReadLine(PdfDocument& doc);

inline bool AtEnd(const PdfDocument& doc) { return doc.pos >= doc.data.size(); }

// Runs the whole opening sequence; false when the file is refused. An encrypted
// file is refused with a message on standard error.
bool OpenDocument(PdfDocument& doc, const std::string& path);

// Reads the cross-reference section at doc.pos and, through /Prev, the older
// ones. Returns the number of table entries, 0 when the section is unusable.
int32_t ReadXref(PdfDocument& doc);

// Loads object `number` through the table; not loaded when it is outside the
// table or no dictionary follows its offset.
PdfObject LoadObject(PdfDocument& doc, int32_t number);
// Loads the dictionary that follows doc.pos (used for the trailer).
PdfObject LoadObjectHere(PdfDocument& doc);

// Loads object `number` as an array of references. Returns false when the
// object is a dictionary or no array follows its offset.
bool LoadReferenceArray(PdfDocument& doc, int32_t number, PdfObject& out);

// The text of the array that object `number` holds, without its outer
// brackets; nested arrays stay in it. Empty when the object holds no array.
std::string LoadArrayText(PdfDocument& doc, int32_t number);

// Object numbers of the references in array text "[1 0 R 2 0 R]".
std::vector<int32_t> ScanReferences(std::string_view text);

// Position just after the first occurrence of `key` in the dictionary text.
// Values are read by skipping white space from there.
std::optional<size_t> LookupKey(const PdfObject& obj, std::string_view key);

// Position of the value of `key` after white space, or none.
std::optional<size_t> ValueOf(const PdfObject& obj, std::string_view key);

// True when the text at `pos` reads "N 0 R".
bool IsReference(std::string_view text, size_t pos);

void ReadInfo(PdfDocument& doc);
void CollectPages(PdfDocument& doc, int32_t root);

// Reads "[x0 y0 x1 y1]" at `pos` into `box`; false when no '[' is there.
bool ReadMediaBox(std::string_view text, size_t pos, Rect& box);

}  // namespace pagelift
