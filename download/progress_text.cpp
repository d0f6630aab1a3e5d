#include "download/progress_text.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kKilobyte = 1024;
constexpr int64_t kMaxBar = std::numeric_limits<int32_t>::max();

// How far a total must be shifted right to fit the bar's 32-bit range.
int BarShift(int64_t total) {
    int shift = 0;
    while ((total >> shift) > kMaxBar) ++shift;
    return shift;
}

}  // namespace

CString ChunkStatusText(int64_t received, int64_t total, int64_t elapsedSeconds) {
    const int64_t receivedKilobytes = std::max<int64_t>(received, 0) / kKilobyte;
    const CString totalText = total < 0 ? CString(u"?") : FormatText(u"%d", total / kKilobyte);
    const double speed = static_cast<double>(receivedKilobytes) /
                         static_cast<double>(std::max<int64_t>(elapsedSeconds, 1));
    return FormatText(u"Download status: %dkb/%skb Speed: %0.1fkb/s", receivedKilobytes, totalText,
                      speed);
}

CString PercentText(int64_t received, int64_t total) {
    received = std::max<int64_t>(received, 0);
    if (total < 0 || (total == 0 && received > 0))
        return u"?%";
    if (total == 0)
        return u"0%";
    __extension__ using Wide = __int128;  // received * 100 can exceed 64 bits
    const Wide percent = static_cast<Wide>(received) * 100 / total;
    return FormatText(u"%d%%", static_cast<long long>(percent));
}

int32_t ProgressBarHigh(int64_t total) {
    if (total < 0)
        return 1;
    return static_cast<int32_t>(total >> BarShift(total));
}

int32_t ProgressBarPosition(int64_t received, int64_t total) {
    if (total < 0 || received <= 0)
        return 0;
    return static_cast<int32_t>(std::min(received >> BarShift(total), kMaxBar));
}
