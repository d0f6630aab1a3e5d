// What the worker shows while a pack downloads: the chunk status line, the percentage label
// and the progress bar's range and position, computed from (received, total, elapsed).
// Pure functions; the worker writes their results onto the dialog.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"

// Fixed texts of a run.
inline constexpr std::u16string_view kRequestingText = u"Requesting the update file...";
inline constexpr std::u16string_view kInterruptedText = u"User interrupted the download progress.";
inline constexpr std::u16string_view kFinishedText =
    u"Download finished, click to run the new version.";
inline constexpr std::u16string_view kFinalPercentText = u"100%";

// Sizes are 64-bit byte counts. A `total` below 0 means the server announced no length
// (kUnknownLength of the internet layer). A kilobyte is 1024 bytes; divisions truncate.

// "Download status: <received kb>kb/<total kb>kb Speed: <speed>kb/s", the speed being
// received kilobytes / elapsed seconds with one decimal ("%0.1f"). An elapsed time below one
// second (the first second of a pack, or a clock set back) counts as one second, so the speed
// is always a finite, non-negative number. An unknown total shows as "?":
// "Download status: 120kb/?kb Speed: 40.0kb/s".
CString ChunkStatusText(int64_t received, int64_t total, int64_t elapsedSeconds);

// "<received * 100 / total>%", exact for all 64-bit sizes; above 100 when more arrived than
// announced. "?%" when the total is unknown, or 0 while bytes arrive.
CString PercentText(int64_t received, int64_t total);

// The progress bar has a 32-bit range. Totals that fit are used as they are (range 0..total,
// position = received); larger ones are scaled down by a power of two, so the bar still moves
// from 0 to its high end. An unknown total gives the range 0..1 with the position held at 0.
int32_t ProgressBarHigh(int64_t total);
// The position for `received` on the range of ProgressBarHigh(total); beyond the high end
// when more arrived than announced, capped at the largest 32-bit value.
int32_t ProgressBarPosition(int64_t received, int64_t total);
