#include "download/archive_install.h"

#include <algorithm>
#include <vector>

#include "download/entry_mode.h"
#include "download/install_step.h"
#include "unzip/zip_archive.h"

namespace {

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

// Describes every entry, or gives nothing when the archive cannot be described whole.
bool DescribeEntries(ZipArchive* archive, std::vector<CString>& names) {
    ZipEntryInfo info;
    if (GetZipEntry(archive, -1, &info) != ZIPRC_OK)
        return false;
    const int32_t count = info.index;
    for (int32_t i = 0; i < count; ++i) {
        if (GetZipEntry(archive, i, &info) != ZIPRC_OK)
            return false;
        CString name(info.name);
        if (!IsSafeEntryName(name))
            return false;
        names.push_back(std::move(name));
    }
    return true;
}

}  // namespace

bool IsArchivePack(const CString& localPath) {
    if (localPath.size() < 3)
        return false;
    const std::u16string_view tail = std::u16string_view(localPath).substr(localPath.size() - 3);
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return lower(tail[0]) == u'z' && lower(tail[1]) == u'i' && lower(tail[2]) == u'p';
}

bool IsSafeEntryName(const CString& name) {
    if (name.empty() || IsSeparator(name.front()))
        return false;
    if (name.size() >= 2 && name[1] == u':')
        return false;  // a drive letter
    size_t start = 0;
    while (start < name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        const std::u16string_view part = std::u16string_view(name).substr(start, end - start);
        // A separator at the very end marks a directory entry; anywhere else it must not
        // leave an empty component.
        if (part.empty() || part == u"..")
            return false;
        if (end + 1 >= name.size())
            break;
        start = end + 1;
    }
    return true;
}

bool InstallArchive(const CString& archivePath, const CString& baseDir,
                    std::vector<CString>* withModes) {
    ZipArchivePtr archive(OpenZipArchive(archivePath.c_str(), 0, ZIO_PATH));
    if (!archive)
        return false;
    std::vector<CString> names;
    if (!DescribeEntries(archive.get(), names))
        return false;
    bool allExtracted = true;
    for (int32_t i = 0; i < static_cast<int32_t>(names.size()); ++i) {
        const CString target = baseDir + names[i];
        BeforeInstallStep();
        ZipEntryInfo info;
        if (ExtractZipEntry(archive.get(), i, const_cast<char16_t*>(target.c_str()), 0, ZIO_PATH) !=
                ZIPRC_OK ||
            GetZipEntry(archive.get(), i, &info) != ZIPRC_OK || !ApplyEntryMode(target, info)) {
            allExtracted = false;  // the others are still extracted, as the pack is meant
        } else if (withModes && info.unixMode != 0) {
            CString name = names[i];
            std::replace(name.begin(), name.end(), u'\\', u'/');
            withModes->push_back(name);
        }
    }
    return allExtracted;
}
