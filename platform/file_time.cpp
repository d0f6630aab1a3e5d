#include "platform/file_time.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// FILETIME ticks per second, and seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kEpochDifference = 11644473600;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

#ifndef _WIN32
timespec ToTimespec(const FILETIME* time) {
    timespec result{};
    if (time == nullptr || FileTimeToUInt64(*time) == 0) {
        result.tv_nsec = UTIME_OMIT;
        return result;
    }
    const int64_t ticks = static_cast<int64_t>(FileTimeToUInt64(*time));
    result.tv_sec = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
    result.tv_nsec = static_cast<long>(ticks % kTicksPerSecond * 100);
    return result;
}
#endif

}  // namespace

bool SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    const SYSTEMTIME& t = *systemTime;
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999) {
        return false;
    }
    const int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay);
    const int64_t seconds = days * 86400 + t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    const int64_t ticks =
        (seconds + kEpochDifference) * kTicksPerSecond + int64_t{t.wMilliseconds} * 10000;
    *fileTime = UInt64ToFileTime(static_cast<uint64_t>(ticks));
    return true;
}

bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FILETIME* fileTime) {
    SYSTEMTIME t;
    t.wYear = static_cast<uint16_t>(1980 + (dosDate >> 9));
    t.wMonth = static_cast<uint16_t>((dosDate >> 5) & 0x0F);
    t.wDay = static_cast<uint16_t>(dosDate & 0x1F);
    t.wHour = static_cast<uint16_t>(dosTime >> 11);
    t.wMinute = static_cast<uint16_t>((dosTime >> 5) & 0x3F);
    t.wSecond = static_cast<uint16_t>((dosTime & 0x1F) * 2);
    return SystemTimeToFileTime(&t, fileTime);
}

#ifndef _WIN32
// Windows sets the times through kernel32 (win32/set_file_time.cpp).
bool SetFileTime(HANDLE handle, const FILETIME* /*creationTime*/, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime) {
    const timespec times[2] = {ToTimespec(lastAccessTime), ToTimespec(lastWriteTime)};
    return futimens(HandleToFd(handle), times) == 0;
}
#endif
