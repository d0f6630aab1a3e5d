// libFuzzer target of the archive layer: every input is opened as an archive in memory, each
// entry is described and extracted to a buffer and to a path.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "unzip/zip_archive.h"

namespace {

// Entries larger than this are not extracted to a path, and a buffer extraction stops after
// this many bytes: a small input can claim gigabytes, which would only slow the search.
constexpr uint32_t kLargestPathEntry = 1 << 20;
constexpr int kMostBufferCalls = 256;

std::filesystem::path g_directory;  // where path extractions go, made once per process

void RemoveDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(g_directory, ignored);
}

void ExtractToBuffer(ZipArchive* zip, int32_t index) {
    uint8_t buffer[4096];
    for (int calls = 0; calls < kMostBufferCalls; ++calls) {
        if (ExtractZipEntry(zip, index, buffer, sizeof buffer, ZIO_BUFFER) != ZIPRC_MORE_DATA) {
            return;
        }
    }
}

void ExtractToPath(ZipArchive* zip, int32_t index) {
    const std::filesystem::path out = g_directory / "out";
    std::u16string target = Utf8ToWide(out.string());
    ExtractZipEntry(zip, index, target.data(), 0, ZIO_PATH);
    std::error_code ignored;
    std::filesystem::remove_all(out, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zip-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        abort();
    g_directory = pattern;
    atexit(RemoveDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX)
        return 0;
    ZipArchivePtr zip(OpenZipArchive(data, static_cast<uint32_t>(size), ZIO_BUFFER));
    if (!zip)
        return 0;
    ZipEntryInfo info;
    if (GetZipEntry(zip.get(), -1, &info) != ZIPRC_OK)
        abort();
    const int32_t count = info.index;
    for (int32_t i = 0; i < count; ++i) {
        const bool described = GetZipEntry(zip.get(), i, &info) == ZIPRC_OK;
        ExtractToBuffer(zip.get(), i);
        if (!described || info.uncompressedSize <= kLargestPathEntry)
            ExtractToPath(zip.get(), i);
    }
    // Requests out of range are refused without touching anything.
    if (GetZipEntry(zip.get(), count, &info) != ZIPRC_BAD_ARGUMENT)
        abort();
    uint8_t byte;
    if (ExtractZipEntry(zip.get(), -1, &byte, 1, ZIO_BUFFER) != ZIPRC_BAD_ARGUMENT)
        abort();
    return 0;
}
