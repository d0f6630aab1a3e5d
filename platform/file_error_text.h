// The texts the user reads when a local file cannot be read or written: one short line that
// names the file (not its whole path, which would not fit the status line) and the reason.
#pragma once

#include "platform/text.h"

enum class FileAction { Read, Write };

// `error` is the system's error number (errno). "Not enough disk space for app.zip.",
// "app.zip was not found.", "No permission to write app.zip.", ...; other errors give
// "Cannot write app.zip: <the system's description>."
CString FileErrorText(FileAction action, const CString& name, int error);

// The last component of `path`: the name the texts above use.
CString FileNameOf(const CString& path);
