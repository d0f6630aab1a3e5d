// Apart from the drivers: <windows.h> defines as macros names that our window headers declare.
#include "bench/peak_memory.h"

#ifdef _WIN32
#include "platform/win32/windows_api.h"
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <fstream>
#include <string>
#endif

long PeakMemoryKib() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
#endif
}
