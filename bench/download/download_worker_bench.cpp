// One download by the real worker on the headless window back end, with the real internet
// layer and real files: times from the Update command until the OK button reads Finish,
// checks that the pack is in place with its full size, and prints
// "<seconds> <peak RSS in KiB>". The peak is this process's own (peak_memory.h): a parent's
// rusage of a child counts the pages of the process that started it. With PUBLIC_KEY (a
// minisign public key line) the pack must carry a valid signature at URL.minisig, which the
// run checks. The Windows build is the same driver over WinInet; run.sh runs it under Wine
// with PROGRAM_DIR as a Windows path (Z:\...).
//
// Usage: download_worker_bench URL PROGRAM_DIR SIZE_BYTES [PUBLIC_KEY]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/update_settings.h"
#include "bench/headless_update.h"
#include "bench/peak_memory.h"
#include "download/progress_text.h"
#include "platform/text.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// A program directory whose Update.ini names the one pack, and the key when one is given.
void WriteSettings(const std::string& dir, const std::string& url, const std::string& key) {
    std::ofstream ini(dir + "Update.ini");
    ini << "[Program]\nAppName=Bench\n[Update]\nPackNumber=1\nPack1=" << url << "\n";
    if (!key.empty())
        ini << "PublicKey=" << key << "\n";
}

// Whether the pack is in place under its own name with `size` bytes.
bool PackArrivedWhole(const std::string& dir, const std::string& url, uintmax_t size) {
    std::error_code error;
    const auto path = std::filesystem::path(dir) / WideToUtf8(PackFileName(Utf8ToWide(url)));
    return std::filesystem::file_size(path, error) == size && !error;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s URL PROGRAM_DIR SIZE_BYTES [PUBLIC_KEY]\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    std::string dir = argv[2];
    if (dir.empty() || (dir.back() != '/' && dir.back() != kSeparator))
        dir += kSeparator;
    const uintmax_t size = std::stoull(argv[3]);
#ifndef _WIN32
    // The server is on loopback: no proxy from the environment may stand between. (WinInet
    // takes the system's proxy settings: run.sh's fresh Wine prefix has none, and run.sh
    // clears the proxy variables that Wine's WinInet would also read.)
    setenv("no_proxy", "*", 1);
#endif
    WriteSettings(dir, url, argc == 5 ? argv[4] : "");

    const HeadlessUpdateRun run = RunHeadlessUpdate(dir);
    const bool succeeded =
        run.finished && run.status == kFinishedText && PackArrivedWhole(dir, url, size);
    if (!succeeded) {
        std::fprintf(stderr, "the run did not finish well: %s\n", WideToUtf8(run.status).c_str());
        return 1;
    }
    std::printf("%.4f %ld\n", run.seconds, PeakMemoryKib());
    return 0;
}
