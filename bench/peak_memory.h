// The benchmark process's own peak memory, for the "<seconds> <peak KiB>" line of its driver.
#pragma once

// The high-water mark of this process's resident memory in KiB: VmHWM on Linux,
// PeakWorkingSetSize on Windows. 0 when the system does not give it.
long PeakMemoryKib();
