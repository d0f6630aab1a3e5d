// One whole update by the real worker on the headless window back end, with the real internet
// layer, staging, journal and durable commit: times from the Update command until the OK
// button reads Finish, checks that the run succeeded and that CHECK_NAME is in place with
// CHECK_SIZE bytes, and prints "<seconds> <peak RSS in KiB>" (this process's own VmHWM).
//
// Usage: update_bench URL PROGRAM_DIR CHECK_NAME CHECK_SIZE
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/headless_update.h"
#include "bench/peak_memory.h"
#include "download/progress_text.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s URL PROGRAM_DIR CHECK_NAME CHECK_SIZE\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    std::string dir = argv[2];
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    const std::filesystem::path check = std::filesystem::path(dir) / argv[3];
    const uintmax_t checkSize = std::stoull(argv[4]);
    setenv("no_proxy", "*", 1);  // the server is on loopback
    std::ofstream(dir + "Update.ini")
        << "[Program]\nAppName=Bench\n[Update]\nPackNumber=1\nPack1=" << url << "\n";

    const HeadlessUpdateRun run = RunHeadlessUpdate(dir);
    std::error_code error;
    const bool succeeded = run.finished && run.status == kFinishedText &&
                           std::filesystem::file_size(check, error) == checkSize && !error;
    if (!succeeded) {
        std::fprintf(stderr, "the run did not finish well: %s\n", WideToUtf8(run.status).c_str());
        return 1;
    }
    std::printf("%.4f %ld\n", run.seconds, PeakMemoryKib());
    return 0;
}
