// UTF-16 text, the system's text type, and its conversions at the OS boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

// Text is UTF-16 throughout; capacities count UTF-16 units.
using CString = std::u16string;

// UTF-8 -> UTF-16. Invalid sequences become U+FFFD, one per bad byte.
std::u16string Utf8ToWide(std::string_view utf8);
// UTF-16 -> UTF-8. An unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::u16string_view wide);
// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// One argument of FormatText: a number or a text.
using FormatArg = std::variant<long long, double, std::u16string_view>;

// printf-style formatting for UTF-16 with the conversions the system uses: %s (text),
// %d (integer), %f with flags, width and precision (%0.1f), and %% for a percent sign.
// An argument of the wrong kind or a missing one formats as nothing; surplus ones are ignored.
std::u16string FormatTextArgs(std::u16string_view format, const FormatArg* args, size_t count);

inline FormatArg ToFormatArg(std::u16string_view s) {
    return s;
}
inline FormatArg ToFormatArg(const std::u16string& s) {
    return std::u16string_view(s);
}
inline FormatArg ToFormatArg(const char16_t* s) {
    return std::u16string_view(s);
}
inline FormatArg ToFormatArg(double d) {
    return d;
}
inline FormatArg ToFormatArg(float d) {
    return static_cast<double>(d);
}
template <typename T>
requires std::is_integral_v<T> FormatArg ToFormatArg(T n) {
    return static_cast<long long>(n);
}

template <typename... Args>
std::u16string FormatText(std::u16string_view format, const Args&... args) {
    const FormatArg list[] = {ToFormatArg(args)..., FormatArg{0LL}};
    return FormatTextArgs(format, list, sizeof...(Args));
}
