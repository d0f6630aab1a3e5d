// Recovery at start: brings the program directory back to a whole state after an updater
// was killed or the machine went down during a run.
#pragma once

#include "platform/text.h"

// Under the directory's install lock (nothing is touched while another updater holds it):
// an unfinished installation is undone when its commit point was not reached and finished
// when it was; staging areas and temporary files of earlier runs are removed; a program file
// that is missing while its backup exists gets the backup back. Can be broken off at any point
// and run again. `baseDir` ends in the separator; `programPath` is the program to start.
void RecoverProgramDirectory(const CString& baseDir, const CString& programPath);

// The same for a caller that holds the lock already. Gives false when an unfinished
// installation could not be resolved; it is then left as it is.
bool RecoverHeldProgramDirectory(const CString& baseDir, const CString& programPath);
