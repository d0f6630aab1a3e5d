// Two kernel32 handle calls reached under plain names. file.h declares CloseHandle and
// GetFileType with our result types, which cannot meet <windows.h>'s declarations of the same
// names in one file; this pair's own file includes only <windows.h>.
#pragma once

#include <cstdint>

bool CloseKernelHandle(void* handle);
uint32_t KernelFileType(void* handle);
// kernel32's FlushFileBuffers, which sync.h's has the name of.
bool FlushKernelBuffers(void* handle);
