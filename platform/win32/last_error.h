// kernel32's last error as an errno value, so that a failed file call is worded the same way
// on every system (platform/file_error_text.h reads errno).
#pragma once

// The errno value that stands for the calling thread's last error; EIO for one without a
// closer match.
int ErrnoOfLastError();

// Sets errno from the last error. Called by the kernel32 back end when a file call whose
// failure the system code words has failed.
void SetErrnoFromLastError();
