// Shortening a one-line text to a width: what a status line shows of a text too long for it.
#pragma once

#include <functional>

#include "platform/text.h"

inline constexpr char16_t kEllipsis = u'\u2026';

// `text` when measure(text) <= width; else its longest beginning, without trailing blanks,
// that fits with an ellipsis after it (never split inside a surrogate pair); the ellipsis
// alone when nothing else fits. `measure` gives a text's width in the same unit as `width`.
CString FitText(const CString& text, int width, const std::function<int(const CString&)>& measure);
