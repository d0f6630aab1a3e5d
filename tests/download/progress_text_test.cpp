#include "download/progress_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr int64_t kGiB = int64_t{1} << 30;
constexpr int64_t kUnknown = -1;

TEST(ProgressText, StatusLineAndPercentage) {
    struct Case {
        const char* name;
        int64_t received, total, elapsed;
        const char16_t* status;
        const char16_t* percent;
    };
    const Case cases[] = {
        {"worked example", 123392, 1048576, 3, u"Download status: 120kb/1024kb Speed: 40.0kb/s",
         u"11%"},
        {"under 1024 bytes received", 1000, 5000, 2, u"Download status: 0kb/4kb Speed: 0.0kb/s",
         u"20%"},
        {"pack under 1024 bytes", 512, 700, 1, u"Download status: 0kb/0kb Speed: 0.0kb/s", u"73%"},
        {"zero elapsed, some kb", 4096, 1048576, 0, u"Download status: 4kb/1024kb Speed: 4.0kb/s",
         u"0%"},
        {"zero elapsed, under 1 kb", 512, 1048576, 0, u"Download status: 0kb/1024kb Speed: 0.0kb/s",
         u"0%"},
        {"clock set back", 10240, 20480, -5, u"Download status: 10kb/20kb Speed: 10.0kb/s", u"50%"},
        {"over-delivery", 3072, 2048, 1, u"Download status: 3kb/2kb Speed: 3.0kb/s", u"150%"},
        {"unknown total", 123392, kUnknown, 3, u"Download status: 120kb/?kb Speed: 40.0kb/s",
         u"?%"},
        {"zero total with data", 10, 0, 1, u"Download status: 0kb/0kb Speed: 0.0kb/s", u"?%"},
        {"rounding down", 1024, 4096, 3, u"Download status: 1kb/4kb Speed: 0.3kb/s", u"25%"},
        {"rounding up", 2048, 4096, 3, u"Download status: 2kb/4kb Speed: 0.7kb/s", u"50%"},
        {"beyond 2 GiB", 3 * kGiB, 4 * kGiB, 10,
         u"Download status: 3145728kb/4194304kb Speed: 314572.8kb/s", u"75%"},
        {"percent product beyond 64 bits", std::numeric_limits<int64_t>::max() / 2,
         std::numeric_limits<int64_t>::max(), 1000000,
         u"Download status: 4503599627370495kb/9007199254740991kb Speed: 4503599627.4kb/s", u"49%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChunkStatusText(c.received, c.total, c.elapsed), c.status);
        EXPECT_EQ(PercentText(c.received, c.total), c.percent);
    }
}

TEST(ProgressText, BarRangeAndPosition) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        const char* name;
        int64_t received, total;
        int32_t high, position;
    };
    const Case cases[] = {
        {"worked example", 123392, 1048576, 1048576, 123392},
        {"largest unscaled total", kMax, kMax, kMax, kMax},
        {"4 GiB scaled by four", 3 * kGiB, 4 * kGiB, 1 << 30, 3 << 28},
        {"complete 5 GiB reaches the high end", 5 * kGiB, 5 * kGiB, 5 << 28, 5 << 28},
        {"over-delivery beyond the high end", 3000, 2000, 2000, 3000},
        {"over-delivery capped at 32 bits", int64_t{1} << 40, 1000, 1000, kMax},
        {"unknown total keeps the bar empty", 123392, kUnknown, 1, 0},
        {"empty pack", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ProgressBarHigh(c.total), c.high);
        EXPECT_EQ(ProgressBarPosition(c.received, c.total), c.position);
    }
}

}  // namespace
