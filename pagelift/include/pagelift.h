/* pagelift: turns a PDF file into a text file, or into one HTML file per page.
 *
 * The library keeps a few process-wide options that the setters change for the
 * conversions that start afterwards. Strings passed in are only read; the
 * library keeps no pointer to them and hands out nothing it allocated.
 * One conversion runs at a time: a call made while another is running is
 * turned away with 0.
 */
#ifndef PAGELIFT_H
#define PAGELIFT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Converts `input` into `output`. The output file is deleted first.
 * A ".pdf" input becomes text (with a document report at the head when the
 * output ends in ".txt"), or one HTML file per page named after the output
 * with a four-digit page number when the output extension begins with ".htm".
 * ".doc", ".dot", ".rtf", ".htm" and ".html" inputs go to an office converter
 * when one is installed. Returns 1 when the call was handled, 0 when it was
 * refused (null or empty path, a conversion already running, a PDF that
 * cannot be opened, a PDF version above 1.4, an encrypted PDF). */
int32_t PAGELIFT(const char* input, const char* output);

/* Sets the label of the line written before each page of text output;
 * null or "" restores the default line of hyphens. */
void SetPageSeparator(const char* label);

/* Non-zero: text output keeps the page layout on a character grid (default 1).
 * Zero: the text of each line is simply joined. Returns the previous value. */
int32_t SetTXTFormat(int32_t format);

/* Output units per inch (default 100). Returns the previous value. */
int32_t SetZoomRatio(int32_t ratio);

#ifdef __cplusplus
}
#endif

#endif /* PAGELIFT_H */
