// One update run by the real dialog and worker on the headless window back end, as the
// benchmark drivers time it.
#pragma once

#include <string>

#include "platform/text.h"

struct HeadlessUpdateRun {
    bool finished = false;  // OK read Finish within the limit
    double seconds = 0;     // from the Update command until OK read Finish
    CString status;         // the status line then
};

// Runs the update dialog over the program directory `dir` (ending in its separator, with its
// Update.ini), gives the Update command, waits up to ten minutes for Finish, and ends the
// dialog with Finish (which starts the program, if there is one). Ends the process when the
// dialog does not start.
HeadlessUpdateRun RunHeadlessUpdate(const std::string& dir);
