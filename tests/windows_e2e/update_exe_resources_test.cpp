// Update.exe carries its resources as Windows reads them: the version block, the manifest
// (administrator rights, common controls 6), the icon and the dialog's banner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "res/version.h"
// After our headers: its constants are macros of the same names as our declarations.
#include "platform/win32/windows_api.h"

namespace {

std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (char c : text) wide.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
    return wide;
}

// The program as the build made it, on Wine's drive for the root.
const wchar_t* UpdateExe() {
    static const std::wstring path = L"Z:" + Widen(UPDATE_EXE_PATH);
    return path.c_str();
}

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
    const std::wstring key =
        L"\\StringFileInfo\\" + Widen(UPDATE_VERSION_TRANSLATION) + L"\\" + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0)
        return {};
    return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(UpdateExe, VersionBlock) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(UpdateExe(), &ignored);
    ASSERT_GT(size, 0u) << "no version block";
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(UpdateExe(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 2u);
    EXPECT_EQ(fixed->dwFileVersionLS, (1u << 16) | 20u);
    EXPECT_EQ(fixed->dwProductVersionMS, (1u << 16) | 2u);
    EXPECT_EQ(fixed->dwProductVersionLS, (1u << 16) | 20u);
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1, 2, 1, 20");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1, 2, 1, 20");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"Update.EXE");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Update");
}

TEST(UpdateExe, ManifestIconAndBanner) {
    HMODULE exe = LoadLibraryExW(UpdateExe(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC manifest = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr) << "no manifest";
    const char* text = static_cast<const char*>(LockResource(LoadResource(exe, manifest)));
    const std::string xml(text, SizeofResource(exe, manifest));
    EXPECT_NE(xml.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(FindResourceW(exe, MAKEINTRESOURCEW(IDR_MAINFRAME), MAKEINTRESOURCEW(14)), nullptr)
        << "no icon";  // RT_GROUP_ICON
    HRSRC banner = FindResourceW(exe, MAKEINTRESOURCEW(IDB_BANNER), MAKEINTRESOURCEW(2));
    ASSERT_NE(banner, nullptr) << "no banner";  // RT_BITMAP
    const auto* info =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(exe, banner)));
    EXPECT_EQ(info->biWidth, 164);
    EXPECT_EQ(info->biHeight, 312);
    FreeLibrary(exe);
}

}  // namespace
