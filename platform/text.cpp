#include "platform/text.h"

#include <cstdio>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view s, size_t i, char32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t len;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((b(k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::u16string Widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace

std::u16string Utf8ToWide(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t len = Utf8SequenceLength(utf8, i, cp);
        if (len == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string WideToUtf8(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t cp = wide[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const size_t len = Utf8SequenceLength(bytes, i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::u16string FormatTextArgs(std::u16string_view format, const FormatArg* args, size_t count) {
    std::u16string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            out += format[i];
            continue;
        }
        // Collect flags, width and precision: they are ASCII by construction.
        std::string spec = "%";
        size_t j = i + 1;
        while (j < format.size() && format[j] < 0x80 &&
               std::string_view("-+ #0123456789.").find(static_cast<char>(format[j])) !=
                   std::string_view::npos) {
            spec += static_cast<char>(format[j]);
            ++j;
        }
        if (j >= format.size()) {
            out += format.substr(i);
            break;
        }
        const char16_t conv = format[j];
        i = j;
        if (conv == u'%') {
            out += u'%';
            continue;
        }
        const FormatArg* arg = next < count ? &args[next] : nullptr;
        ++next;
        char buffer[128];
        if (conv == u's') {
            if (arg && std::holds_alternative<std::u16string_view>(*arg)) {
                out += std::get<std::u16string_view>(*arg);
            }
        } else if (conv == u'd' || conv == u'i' || conv == u'u') {
            if (arg && std::holds_alternative<long long>(*arg)) {
                std::snprintf(buffer, sizeof buffer, (spec + "lld").c_str(),
                              std::get<long long>(*arg));
                out += Widen(buffer);
            }
        } else if (conv == u'f') {
            if (arg && std::holds_alternative<double>(*arg)) {
                std::snprintf(buffer, sizeof buffer, (spec + "f").c_str(), std::get<double>(*arg));
                out += Widen(buffer);
            }
        } else {
            // Unknown conversion: kept as written.
            out += u'%';
            out += Utf8ToWide(spec.substr(1));
            out += conv;
        }
    }
    return out;
}
