// Runs one installation, or one recovery, of a program directory and ends itself with SIGKILL
// right before its k-th file-system change, as a kill -9 would.
//
//   install_crash_driver install BASE_DIR/ PACK_SOURCE PACK_NAME PROGRAM_NAME K
//   install_crash_driver recover BASE_DIR/ PROGRAM_PATH K
//
// K = 0 runs to the end. The install stages the pack under the directory's lock as the worker
// does (the bytes of PACK_SOURCE stand for the download) and commits it. Exit status 0 when
// the run ended, 3 when the pack was not installed (its reason on stderr), 2 on bad usage.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "download/install_step.h"
#include "download/pack_file.h"
#include "download/pack_install.h"
#include "download/recovery.h"
#include "download/stage.h"
#include "platform/install_lock.h"

namespace {

long g_stepsLeft = 0;

void CountStep() {
    if (g_stepsLeft > 0 && --g_stepsLeft == 0)
        kill(getpid(), SIGKILL);
}

int Fail(const CString& reason) {
    std::fprintf(stderr, "%s\n", WideToUtf8(reason).c_str());
    return 3;
}

int Install(const CString& baseDir, const char* source, const CString& packName,
            const CString& programName) {
    InstallLock lock;
    if (lock.TryAcquire(baseDir + CString(kLockFileName)) != InstallLock::kAcquired)
        return Fail(u"locked");
    Stage stage(baseDir);
    CString error;
    if (!stage.Create(u"pack", error))
        return Fail(error);
    std::ifstream in(source, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    {
        PackFile file;
        if (!file.Create(baseDir + packName, baseDir + stage.PackFile(1), error) ||
            !file.Write(bytes.data(), bytes.size(), error) || !file.Close(error))
            return Fail(error);
        const PackInstallResult result = InstallStagedPack(stage, 1, packName, programName);
        if (!result.installed)
            return Fail(result.reason);
    }
    stage.Clear(1);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!(mode == "install" && argc == 7) && !(mode == "recover" && argc == 5)) {
        std::fprintf(stderr, "usage: see the head of install_crash_driver.cpp\n");
        return 2;
    }
    g_stepsLeft = std::atol(argv[argc - 1]);
    SetInstallStepHook(CountStep);
    const CString baseDir = Utf8ToWide(argv[2]);
    if (mode == "recover") {
        RecoverProgramDirectory(baseDir, Utf8ToWide(argv[3]));
        return 0;
    }
    return Install(baseDir, argv[3], Utf8ToWide(argv[4]), Utf8ToWide(argv[5]));
}
