#include "app/update_settings.h"

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

CString PackFileName(const CString& url) {
    const size_t slash = url.find_last_of(u'/');
    return slash == CString::npos ? url : url.substr(slash + 1);
}

CString ProgramFileName(const CString& packFileName) {
    const size_t dot = packFileName.find_last_of(u'.');
    const CString stem = dot == CString::npos ? CString() : packFileName.substr(0, dot);
    return stem + u".exe";
}
