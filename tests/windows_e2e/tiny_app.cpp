// A small Windows program in two versions for the real-window test: started, it writes its
// version into the file that UPDATE_TEST_MARKER names, so the test sees which one ran.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t marker[32768];
    const DWORD length = GetEnvironmentVariableW(L"UPDATE_TEST_MARKER", marker, 32768);
    if (length == 0 || length >= 32768)
        return 1;
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char text[] = TINY_APP_VERSION "\n";
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text, sizeof(text) - 1, &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
