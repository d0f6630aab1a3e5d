// Starting programs and documents through the desktop.
#pragma once

#include <string>

#include "platform/win_types.h"

// With the verb "open": an executable regular file is started detached, in a session of its
// own, with no arguments; any other file is handed to `xdg-open`. Other verbs do nothing. The
// result only tells whether a process could be started; callers need not examine it.
bool ShellExecuteW(void* owner, const std::u16string& verb, const std::u16string& path,
                   const std::u16string& parameters, const std::u16string& directory, int show);
