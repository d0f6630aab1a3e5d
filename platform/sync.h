// Putting what was written and renamed on the disk.
#pragma once

#include <string>

#include "platform/file.h"

// Writes every dirty page and every directory change of the file system that holds `path`
// to the disk (one call instead of one flush per file). Gives false on failure.
bool SyncFileSystem(const std::u16string& path);

// Puts the entries of the directory `path` (names made, renamed, removed) on the disk.
bool FlushDirectory(const std::u16string& path);

// Puts the data of the open file on the disk.
bool FlushFileBuffers(HANDLE handle);
