#include "platform/win32/kernel_handle.h"

#include <windows.h>

bool CloseKernelHandle(void* handle) {
    return CloseHandle(handle) != 0;
}

uint32_t KernelFileType(void* handle) {
    return GetFileType(handle);
}

bool FlushKernelBuffers(void* handle) {
    return FlushFileBuffers(handle) != 0;
}
