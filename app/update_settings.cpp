#include "app/update_settings.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/ini.h"
#include "platform/window/win_app.h"

const UpdateSettings* GetAppSettings() {
    return dynamic_cast<const UpdateSettings*>(AfxGetApp());
}

CString ReadIniString(const CString& section, const CString& key, const CString& defaultValue,
                      const CString& path) {
    CString value;
    GetPrivateProfileStringW(section, key, defaultValue, value, kIniValueCapacity, path);
    return value;
}

namespace {

// n of a key named "Pack<n>" with n >= 1 in decimal without leading zeros; 0 for other names.
int PackKeyNumber(std::u16string_view name) {
    constexpr std::u16string_view kPrefix = u"pack";
    if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 10)
        return 0;
    for (size_t i = 0; i < kPrefix.size(); ++i) {
        const char16_t c = name[i];
        if ((c >= u'A' && c <= u'Z' ? c + 0x20 : c) != kPrefix[i])
            return 0;
    }
    const std::u16string_view digits = name.substr(kPrefix.size());
    if (digits.front() == u'0')
        return 0;
    int64_t n = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        n = n * 10 + (c - u'0');
    }
    return n > INT_MAX ? 0 : static_cast<int>(n);
}

}  // namespace

int HighestPackKeyNumber(const CString& path) {
    int highest = 0;
    for (const std::u16string& name : GetPrivateProfileKeyNames(u"Update", path))
        highest = std::max(highest, PackKeyNumber(name));
    return highest;
}

CString PackFileName(const CString& url) {
    const size_t slash = url.find_last_of(u'/');
    return slash == CString::npos ? url : url.substr(slash + 1);
}

CString ProgramFileName(const CString& packFileName) {
    const size_t dot = packFileName.find_last_of(u'.');
    const CString stem = dot == CString::npos ? CString() : packFileName.substr(0, dot);
    return stem + u".exe";
}
