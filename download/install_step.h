// Every file-system change of an installation (staging, journal, commit, recovery) is
// announced here first, so that a crash test can end the process at any one of them.
#pragma once

using InstallStepHook = void (*)();

// For tests only: `hook` runs before every change from now on; null removes it. The shipped
// program never sets one.
void SetInstallStepHook(InstallStepHook hook);

// Called right before a change of the program directory or of its staging area.
void BeforeInstallStep();
