// File times: FILETIME and SYSTEMTIME as Win32 defines them, their conversions, and setting
// the times of an open file.
#pragma once

#include <cstdint>

#include "platform/file.h"

// 100-nanosecond intervals since 1601-01-01 00:00:00 UTC, split in two 32-bit halves.
struct FILETIME {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};

// Calendar fields of a UTC time. wDayOfWeek is ignored by SystemTimeToFileTime.
struct SYSTEMTIME {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;  // 1-12
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;  // 1-31, within the month
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

// The 64-bit count of a FILETIME, and the FILETIME of a count.
inline uint64_t FileTimeToUInt64(const FILETIME& time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
inline FILETIME UInt64ToFileTime(uint64_t value) {
    return FILETIME{static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)};
}

// Converts calendar fields to a FILETIME. Gives false, leaving `*fileTime` untouched, when a
// field is out of range: year 1601-30827, month 1-12, a day that the month has (leap years
// counted), hour < 24, minute < 60, second < 60, milliseconds < 1000.
bool SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);

// Converts an MS-DOS date (bits 0-4 day, 5-8 month, 9-15 years since 1980) and time (bits 0-4
// seconds / 2, 5-10 minutes, 11-15 hours) to a FILETIME, taking them as UTC. Gives false,
// leaving `*fileTime` untouched, for a date or time that does not exist.
bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FILETIME* fileTime);

// Sets the last access and last write times of an open file (futimens). The creation time is
// skipped on POSIX, whose file systems keep none that can be set; Windows sets it too. A null
// pointer or a zero FILETIME leaves that time unchanged. Gives false on failure.
bool SetFileTime(HANDLE handle, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime);
