/* Calls the library from plain C: the header compiles as C, the exports link,
 * and the setters and the argument checks behave as documented. */
#include "pagelift.h"

#include <stdio.h>

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

int main(void) {
    check(PAGELIFT(NULL, "out.txt") == 0, "null input is refused");
    check(PAGELIFT("in.pdf", NULL) == 0, "null output is refused");
    check(PAGELIFT("", "") == 0, "empty paths are refused");
    check(SetTXTFormat(0) == 1, "text format starts at 1");
    check(SetTXTFormat(1) == 0, "text format returns the previous value");
    check(SetZoomRatio(72) == 100, "zoom ratio starts at 100");
    check(SetZoomRatio(100) == 72, "zoom ratio returns the previous value");
    SetPageSeparator("====");
    SetPageSeparator(NULL);
    if (failures == 0) printf("1 passed, 0 failed\n");
    return failures == 0 ? 0 : 1;
}
