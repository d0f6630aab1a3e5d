// Downloads one URL with the internet layer (curl on Linux, WinInet in the Windows build), in
// 512-byte Read calls as the worker makes them, into a file written through a 64 KiB buffer
// with the platform's file calls. run.sh times it against curl in the same run (the Windows
// build under Wine), so the ratio shows the layer's own cost.
//
// Usage: net_download_bench URL OUTPUT_FILE
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/file.h"
#include "platform/net/internet_session.h"

namespace {

constexpr size_t kChunk = 512;
constexpr size_t kWriteBuffer = 64 * 1024;

bool WriteAll(HANDLE file, const std::vector<char>& bytes) {
    uint32_t written = 0;
    return WriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written);
}

int Download(const char* url, const char* outputPath) {
    CInternetSession session;
    std::unique_ptr<CRemoteFile> remote = session.OpenURL(Utf8ToWide(url));
    FileHandle output(CreateFileW(Utf8ToWide(outputPath), GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
    if (!output.Valid()) {
        std::fprintf(stderr, "cannot create %s\n", outputPath);
        return 1;
    }
    std::vector<char> pending;
    pending.reserve(kWriteBuffer);
    char buffer[kChunk];
    while (const size_t n = remote->Read(buffer, sizeof buffer)) {
        if (pending.size() + n > kWriteBuffer) {
            if (!WriteAll(output.Get(), pending)) {
                std::fprintf(stderr, "cannot write %s\n", outputPath);
                return 1;
            }
            pending.clear();
        }
        pending.insert(pending.end(), buffer, buffer + n);
    }
    if (!WriteAll(output.Get(), pending) || !output.Reset()) {
        std::fprintf(stderr, "cannot write %s\n", outputPath);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL OUTPUT_FILE\n", argv[0]);
        return 2;
    }
    try {
        return Download(argv[1], argv[2]);
    } catch (const CInternetException& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
