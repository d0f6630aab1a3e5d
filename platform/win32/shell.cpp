// Starting programs and documents through shell32.
#include "platform/shell.h"

// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

bool ShellExecuteW(void* owner, const std::u16string& verb, const std::u16string& path,
                   const std::u16string& parameters, const std::u16string& directory, int show) {
    if (verb != u"open" || path.empty())
        return false;
    const HINSTANCE result =
        ::ShellExecuteW(static_cast<HWND>(owner), WidePath(verb), WidePath(path),
                        parameters.empty() ? nullptr : WidePath(parameters),
                        directory.empty() ? nullptr : WidePath(directory), show);
    // Values above 32 mean started; lower ones are error codes.
    return reinterpret_cast<INT_PTR>(result) > 32;
}
