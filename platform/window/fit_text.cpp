#include "platform/window/fit_text.h"

namespace {

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The first `length` units, moved back off the middle of a pair, without trailing blanks.
CString Beginning(const CString& text, size_t length) {
    if (length > 0 && length < text.size() && IsLowSurrogate(text[length]))
        --length;
    while (length > 0 && (text[length - 1] == u' ' || text[length - 1] == u'\t')) --length;
    return text.substr(0, length);
}

}  // namespace

CString FitText(const CString& text, int width, const std::function<int(const CString&)>& measure) {
    if (measure(text) <= width)
        return text;
    // Widths grow with the length, so the longest fitting beginning is found by halving.
    size_t fits = 0;
    size_t tooLong = text.size();
    while (tooLong - fits > 1) {
        const size_t middle = fits + (tooLong - fits) / 2;
        if (measure(Beginning(text, middle) + kEllipsis) <= width) {
            fits = middle;
        } else {
            tooLong = middle;
        }
    }
    return Beginning(text, fits) + kEllipsis;
}
