// The description of an entry: its record, and the conversions that build it (attributes,
// MS-DOS and Unix times, the extended timestamp extra field).
#pragma once

#include <cstdint>
#include <span>

#include "platform/file_time.h"

// Capacity of a record's name in bytes, the terminator included.
constexpr uint32_t kRecordNameCapacity = 260;

// An entry as the unpacker builds and caches it: the name as stored in the archive.
struct AnsiEntryRecord {
    int32_t index = 0;
    char name[kRecordNameCapacity] = {};  // terminated; no NUL byte inside
    uint32_t attributes = 0;
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME modificationTime;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t unixMode = 0;  // the entry's Unix mode when made on Unix, else 0
    bool utf8Name = false;  // general purpose bit 11: the name is UTF-8
};

// The Unix mode (file type and permission bits) of an entry whose "version made by" names Unix
// as its host, from the high 16 bits of the external attributes; 0 for any other host.
uint32_t EntryUnixMode(uint32_t versionMadeBy, uint32_t external);

// Windows file attributes of ZIP external attributes: normal (0x80), or directory and normal
// (0x90) for the Unix or MS-DOS directory bit, plus archive, hidden and system from the MS-DOS
// bits, plus read-only when the Unix owner-write bit is clear or the MS-DOS one is set.
uint32_t MapEntryAttributes(uint32_t external);

// MS-DOS time (low 16 bits) and date (high 16 bits), taken as UTC. A date or time that does
// not exist gives a zero FILETIME.
FILETIME DosTimeToFileTime(uint32_t dosDateTime);

// Seconds since 1970-01-01 UTC to a FILETIME. Gives false, leaving `*time` untouched, for a
// negative count.
bool UnixTimeToFileTime(int64_t seconds, FILETIME* time);

// Finds the first extended timestamp block ("UT", 0x5455) in a local extra field and lets its
// times replace the record's: modification (flag 1), access (2), creation (4), in that order.
// A time its block's data or the extra field does not hold, or a negative one, is kept.
void ApplyExtendedTimestamp(std::span<const uint8_t> extra, AnsiEntryRecord* record);
