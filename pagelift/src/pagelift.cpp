// The C surface of libpagelift.so: the four exports, the process-wide options
// and the busy flag. Nothing thrown inside crosses this file: a conversion that
// fails for want of memory reports 0 like any other failed conversion.
#include "pagelift.h"

#include "conversion.h"

#include <atomic>
#include <string>

#define PAGELIFT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<int32_t> busy{0};
std::atomic<int32_t> txtFormat{1};
std::atomic<int32_t> zoomRatio{100};
std::string pageSeparator;  // changed only between conversions

}  // namespace

PAGELIFT_EXPORT int32_t PAGELIFT(const char* input, const char* output) {
    if (!input || !output) return 0;
    // A call that arrives while a conversion runs is turned away.
    if (busy.exchange(1)) return 0;
    int32_t result = 0;
    try {
        pagelift::Options options{txtFormat.load(), zoomRatio.load(), pageSeparator};
        result = pagelift::Convert(input, output, options);
    } catch (...) {
        result = 0;
    }
    busy.store(0);
    return result;
}

PAGELIFT_EXPORT void SetPageSeparator(const char* label) {
    try {
        if (!label)
            pageSeparator.clear();
        else
            pageSeparator = label;
    } catch (...) {
        pageSeparator.clear();
    }
}

PAGELIFT_EXPORT int32_t SetTXTFormat(int32_t format) { return txtFormat.exchange(format); }

PAGELIFT_EXPORT int32_t SetZoomRatio(int32_t ratio) { return zoomRatio.exchange(ratio); }
