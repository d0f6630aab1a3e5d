#include "platform/ini.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace {

std::optional<std::string> ReadWholeFile(const std::u16string& path) {
    // A path made from UTF-8 names the file on both systems (Windows opens it by its UTF-16
    // name, not through the ANSI code page).
    const std::string utf8 = WideToUtf8(path);
    std::ifstream in(std::filesystem::path(std::u8string(utf8.begin(), utf8.end())),
                     std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::u16string DecodeUtf16Le(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
}

std::u16string DecodeIniFile(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return DecodeUtf16Le(bytes.substr(2));
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (IsValidUtf8(bytes))
        return Utf8ToWide(bytes);
    std::u16string latin1;  // each byte is its own code point
    for (char c : bytes) latin1 += static_cast<char16_t>(static_cast<unsigned char>(c));
    return latin1;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::u16string_view Unquote(std::u16string_view s) {
    if (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front()) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

// Case folding for ASCII and the Latin-1 letters, which covers the names the program uses.
char16_t FoldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    return c;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

// Walks the keys of the first `section`, in file order, calling `visit(name, value)` with the
// trimmed name and the unquoted value until it returns true.
template <typename Visit>
void ForEachKey(std::u16string_view text, std::u16string_view section, Visit visit) {
    section = Trim(section);
    enum { kBefore, kInside, kAfter } where = kBefore;
    while (!text.empty() && where != kAfter) {
        const size_t end = text.find(u'\n');
        std::u16string_view line = Trim(text.substr(0, end));
        text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const size_t close = line.find(u']');
            const std::u16string_view name =
                Trim(line.substr(1, close == std::u16string_view::npos ? line.npos : close - 1));
            if (where == kInside) {
                where = kAfter;  // only the first section of that name counts
            } else if (NamesEqual(name, section)) {
                where = kInside;
            }
            continue;
        }
        if (where != kInside)
            continue;
        const size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos)
            continue;
        if (visit(Trim(line.substr(0, eq)), Unquote(Trim(line.substr(eq + 1)))))
            return;
    }
}

// The raw value of the first `key` in the first `section`, or nothing.
std::optional<std::u16string> FindValue(std::u16string_view text, std::u16string_view section,
                                        std::u16string_view key) {
    key = Trim(key);
    std::optional<std::u16string> found;
    ForEachKey(text, section, [&](std::u16string_view name, std::u16string_view value) {
        if (!NamesEqual(name, key))
            return false;
        found.emplace(value);
        return true;
    });
    return found;
}

std::optional<std::u16string> DecodedFile(const std::u16string& path) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return std::nullopt;
    return DecodeIniFile(*bytes);
}

std::optional<std::u16string> LookUp(const std::u16string& section, const std::u16string& key,
                                     const std::u16string& path) {
    const auto text = DecodedFile(path);
    if (!text)
        return std::nullopt;
    std::optional<std::u16string> value = FindValue(*text, section, key);
    // A value ends at a NUL, as it does in a C string: every user sees the same text.
    if (value) {
        if (const size_t nul = value->find(u'\0'); nul != std::u16string::npos)
            value->resize(nul);
    }
    return value;
}

}  // namespace

std::vector<std::u16string> GetPrivateProfileKeyNames(const std::u16string& section,
                                                      const std::u16string& path) {
    std::vector<std::u16string> names;
    if (const auto text = DecodedFile(path)) {
        ForEachKey(*text, section, [&](std::u16string_view name, std::u16string_view) {
            names.emplace_back(name);
            return false;
        });
    }
    return names;
}

size_t GetPrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                                const std::u16string& defaultValue, std::u16string& out,
                                size_t capacity, const std::u16string& path) {
    out = LookUp(section, key, path).value_or(defaultValue);
    if (capacity == 0) {
        out.clear();
    } else if (out.size() > capacity - 1) {
        out.resize(capacity - 1);
    }
    return out.size();
}

int GetPrivateProfileIntW(const std::u16string& section, const std::u16string& key,
                          int defaultValue, const std::u16string& path) {
    const auto value = LookUp(section, key, path);
    if (!value)
        return defaultValue;
    std::u16string_view s = Trim(*value);
    bool negative = false;
    if (!s.empty() && (s.front() == u'+' || s.front() == u'-')) {
        negative = s.front() == u'-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() < u'0' || s.front() > u'9')
        return defaultValue;
    long long n = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9')
            break;
        n = n * 10 + (c - u'0');
        if (n > static_cast<long long>(INT_MAX) + 1)
            n = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        n = -n;
    if (n > INT_MAX)
        n = INT_MAX;
    return static_cast<int>(n);
}
