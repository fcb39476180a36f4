// Reads Rich Text and gives the plain text a rich-text box shows for it.
//
// The help panes show their .rtf files through it and the converters take the
// text of Rich Text documents from it. Only the body text is kept: tables of
// fonts, colours and styles, document information, pictures, objects, headers,
// footers, footnotes, annotations, list numbering and field instructions are
// dropped; a field shows its result.
#pragma once

#include <QByteArray>
#include <QString>

namespace kv {

// The text of the Rich Text document `rtf`, lines separated by "\n".
//
// Every \par, \line, \sect, \page and \row ends a line with "\n", so a document
// whose last paragraph is closed by \par ends with "\n". \tab gives a tab, and
// the cells of a table row are separated by tabs. Characters written as \'hh
// are read in the document's code page (\ansicpg, Windows-1252 when it names
// none or one this platform cannot decode); \uN gives the Unicode character.
//
// Input that does not start with "{\rtf" (after an optional byte-order mark and
// white space) is shown as the plain text it is: UTF-8, or Windows-1252 where
// it is not valid UTF-8, with CR LF and CR line ends turned into "\n".
//
// Malformed Rich Text is read as far as it goes: unbalanced braces, a control
// word cut off by the end of the input or out-of-range numbers never fail, and
// the text read up to that point is returned. Reading stops when the outermost
// group closes.
QString rtfToPlainText(const QByteArray& rtf);

// rtfToPlainText() of the file at `hostPath`.
// Throws kv::Error naming the file and the reason when it cannot be read.
QString loadRtfFile(const QString& hostPath);

}  // namespace kv
