// Extraction targets on the file system: how a caller's target path is resolved and how the
// directories it needs are made.
#pragma once

#include <string>
#include <string_view>

// Resolves a caller's target path: both '/' and '\' separate, and the platform's is written; a
// relative target lies under `rootDir` (which ends in a separator; empty when the current directory
// did not fit, and relative targets are then refused). Gives false, a refusal, for an empty target,
// one with a ".." component, or a resolved path of MAX_PATH units or more.
bool ResolveTargetPath(std::u16string_view rootDir, std::u16string_view target,
                       std::u16string* resolved);

// True when a component of `path` (split at '/' and '\') is "..".
bool HasParentComponent(std::u16string_view path);

// Everything before the last separator of a resolved path (the root, separator included, for a
// file at the root; empty when there is none).
std::u16string ParentDirectory(const std::u16string& path);

// Creates the directory that the resolved path `path` names, with its missing parents
// (trailing separators are ignored). Gives true when `path` is a directory at the end.
bool MakeDirectoryPath(const std::u16string& path);
