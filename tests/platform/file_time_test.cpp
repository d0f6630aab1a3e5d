#include "platform/file_time.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

constexpr uint64_t kTicks1970 = 116444736000000000ull;

uint64_t UnixTicks(int64_t seconds) {
    return kTicks1970 + uint64_t(seconds) * 10000000;
}

TEST(FileTime, SystemTimeConversion) {
    struct Case {
        SYSTEMTIME t;
        bool ok;
        uint64_t ticks;
    } cases[] = {
        {{1601, 1, 0, 1, 0, 0, 0, 0}, true, 0},
        {{1970, 1, 0, 1, 0, 0, 0, 0}, true, kTicks1970},
        {{2021, 3, 0, 4, 5, 6, 8, 0}, true, UnixTicks(1614834368)},
        {{2000, 2, 0, 29, 23, 59, 59, 999}, true, UnixTicks(951868799) + 9990000},
        {{2001, 2, 0, 29, 0, 0, 0, 0}, false, 0},  // not a leap year
        {{1900, 2, 0, 29, 0, 0, 0, 0}, false, 0},  // nor is 1900
        {{1600, 12, 0, 31, 0, 0, 0, 0}, false, 0},
        {{2021, 13, 0, 1, 0, 0, 0, 0}, false, 0},
        {{2021, 4, 0, 31, 0, 0, 0, 0}, false, 0},
        {{2021, 1, 0, 1, 24, 0, 0, 0}, false, 0},
        {{2021, 1, 0, 1, 0, 60, 0, 0}, false, 0},
        {{2021, 1, 0, 1, 0, 0, 60, 0}, false, 0},
        {{2021, 1, 0, 1, 0, 0, 0, 1000}, false, 0},
    };
    for (const Case& c : cases) {
        FILETIME ft = UInt64ToFileTime(42);
        EXPECT_EQ(SystemTimeToFileTime(&c.t, &ft), c.ok) << c.t.wYear << "-" << c.t.wMonth;
        EXPECT_EQ(FileTimeToUInt64(ft), c.ok ? c.ticks : 42) << c.t.wYear << "-" << c.t.wMonth;
    }
}

TEST(FileTime, DosDateTimeConversion) {
    struct Case {
        uint16_t date, time;
        bool ok;
        uint64_t ticks;
    } cases[] = {
        {(41 << 9) | (3 << 5) | 4, (5 << 11) | (6 << 5) | 4, true, UnixTicks(1614834368)},
        {(0 << 9) | (1 << 5) | 1, 0, true, UnixTicks(315532800)},  // 1980-01-01
        {(127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29, true,
         UnixTicks(4354819198)},                         // 2107-12-31 23:59:58, the last there is
        {0, 0, false, 0},                                // month and day 0
        {(41 << 9) | (2 << 5) | 29, 0, false, 0},        // 2021-02-29
        {(41 << 9) | (1 << 5) | 1, 30, false, 0},        // 60 seconds
        {(41 << 9) | (1 << 5) | 1, 24 << 11, false, 0},  // hour 24
    };
    for (const Case& c : cases) {
        FILETIME ft = UInt64ToFileTime(42);
        EXPECT_EQ(DosDateTimeToFileTime(c.date, c.time, &ft), c.ok) << c.date << " " << c.time;
        EXPECT_EQ(FileTimeToUInt64(ft), c.ok ? c.ticks : 42) << c.date << " " << c.time;
    }
}

TEST(FileTime, SetFileTimeSetsAccessAndWrite) {
    char pattern[] = "/tmp/file-time-XXXXXX";
    const int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    const FILETIME creation = UInt64ToFileTime(UnixTicks(1000));
    const FILETIME access = UInt64ToFileTime(UnixTicks(1500000000) + 5000000);  // +0.5 s
    const FILETIME write = UInt64ToFileTime(UnixTicks(1600000000));
    EXPECT_TRUE(SetFileTime(FdToHandle(fd), &creation, &access, &write));
    struct stat st;
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_atim.tv_nsec, 500000000);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    // Zero and null leave a time as it is.
    const FILETIME zero;
    const FILETIME later = UInt64ToFileTime(UnixTicks(1700000000));
    EXPECT_TRUE(SetFileTime(FdToHandle(fd), nullptr, &zero, &later));
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);
    EXPECT_TRUE(SetFileTime(FdToHandle(fd), nullptr, &later, nullptr));
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1700000000);
    EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);
    close(fd);
    unlink(pattern);
    EXPECT_FALSE(SetFileTime(INVALID_HANDLE_VALUE, nullptr, &write, &write));
}

}  // namespace
