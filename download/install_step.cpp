#include "download/install_step.h"

#include <atomic>

namespace {

std::atomic<InstallStepHook> g_installStepHook{nullptr};

}  // namespace

void SetInstallStepHook(InstallStepHook hook) {
    g_installStepHook = hook;
}

void BeforeInstallStep() {
    if (InstallStepHook hook = g_installStepHook.load())
        hook();
}
