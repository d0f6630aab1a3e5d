// Extracts every entry of an archive into a directory, calling the archive interface the way
// the updater does: open by path, ask for the count, then describe and extract each entry to
// the directory followed by the entry's name.
// Usage: unzip_bench_driver ARCHIVE OUTPUT_DIR. Exit status 0 when every entry succeeded.
// Prints its peak resident set as "vm_hwm_kib=N": the kernel's own accounting of a child
// also counts the parent's pages from before the exec.
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/text.h"
#include "unzip/zip_archive.h"

namespace {

void PrintPeakResidentSet() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::printf("vm_hwm_kib=%ld\n", std::stol(line.substr(6)));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::u16string archive = Utf8ToWide(argv[1]);
    const std::u16string base = Utf8ToWide(argv[2]) + u"/";
    ZipArchivePtr zip(OpenZipArchive(archive.c_str(), 0, ZIO_PATH));
    if (!zip) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    ZipEntryInfo info;
    if (GetZipEntry(zip.get(), -1, &info) != ZIPRC_OK)
        return 1;
    const int32_t count = info.index;
    int failed = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t result = GetZipEntry(zip.get(), i, &info);
        if (result == ZIPRC_OK) {
            std::u16string target = base + info.name;
            result = ExtractZipEntry(zip.get(), i, target.data(), 0, ZIO_PATH);
        }
        if (result != ZIPRC_OK) {
            std::fprintf(stderr, "entry %d: result 0x%x\n", i, static_cast<unsigned>(result));
            ++failed;
        }
    }
    PrintPeakResidentSet();
    return failed == 0 ? 0 : 1;
}
