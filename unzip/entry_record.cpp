#include "unzip/entry_record.h"

#include <time.h>

#include <algorithm>

#include "platform/file.h"

namespace {

constexpr uint32_t kUnixDirectory = 0x40000000;   // S_IFDIR in the high 16 bits
constexpr uint32_t kUnixOwnerWrite = 0x00800000;  // S_IWUSR in the high 16 bits
constexpr uint32_t kDosReadOnly = 0x01;
constexpr uint32_t kDosHidden = 0x02;
constexpr uint32_t kDosSystem = 0x04;
constexpr uint32_t kDosDirectory = 0x10;
constexpr uint32_t kDosArchive = 0x20;

constexpr uint32_t kHostUnix = 3;  // the high byte of "version made by"

constexpr uint32_t kExtraHeaderSize = 4;  // 2-byte ID, 2-byte data size

uint32_t ReadLE16(std::span<const uint8_t> bytes, size_t at) {
    return bytes[at] | uint32_t{bytes[at + 1]} << 8;
}

int32_t ReadLE32Signed(std::span<const uint8_t> bytes, size_t at) {
    const uint32_t value = ReadLE16(bytes, at) | ReadLE16(bytes, at + 2) << 16;
    return static_cast<int32_t>(value);
}

// Applies the times of one "UT" block that starts at `start`; its flags byte is in `extra`.
void ParseExtendedTimestamp(std::span<const uint8_t> extra, size_t start, AnsiEntryRecord* record) {
    const size_t blockEnd = start + kExtraHeaderSize + ReadLE16(extra, start + 2);
    const size_t end = std::min(blockEnd, extra.size());
    const uint8_t flags = extra[start + kExtraHeaderSize];
    FILETIME* const roles[] = {&record->modificationTime, &record->accessTime,
                               &record->creationTime};
    size_t at = start + kExtraHeaderSize + 1;
    for (int bit = 0; bit < 3; ++bit) {
        if ((flags & (1u << bit)) == 0)
            continue;
        if (at + 4 > end)
            return;  // announced but not held: the rest keep their times
        UnixTimeToFileTime(ReadLE32Signed(extra, at), roles[bit]);
        at += 4;
    }
}

}  // namespace

uint32_t EntryUnixMode(uint32_t versionMadeBy, uint32_t external) {
    return (versionMadeBy >> 8) == kHostUnix ? external >> 16 : 0;
}

uint32_t MapEntryAttributes(uint32_t external) {
    uint32_t attributes = FILE_ATTRIBUTE_NORMAL;
    if (external & (kUnixDirectory | kDosDirectory)) {
        attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL;
    }
    if (external & kDosArchive)
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (external & kDosHidden)
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if ((external & kUnixOwnerWrite) == 0 || (external & kDosReadOnly)) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (external & kDosSystem)
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    return attributes;
}

FILETIME DosTimeToFileTime(uint32_t dosDateTime) {
    FILETIME time;
    if (!DosDateTimeToFileTime(static_cast<uint16_t>(dosDateTime >> 16),
                               static_cast<uint16_t>(dosDateTime & 0xFFFF), &time)) {
        return FILETIME{};
    }
    return time;
}

bool UnixTimeToFileTime(int64_t seconds, FILETIME* time) {
    if (seconds < 0)
        return false;
    const time_t t = static_cast<time_t>(seconds);
    tm fields;
    if (gmtime_r(&t, &fields) == nullptr)
        return false;
    SYSTEMTIME system;
    system.wYear = static_cast<uint16_t>(fields.tm_year + 1900);
    system.wMonth = static_cast<uint16_t>(fields.tm_mon + 1);
    system.wDay = static_cast<uint16_t>(fields.tm_mday);
    system.wHour = static_cast<uint16_t>(fields.tm_hour);
    system.wMinute = static_cast<uint16_t>(fields.tm_min);
    system.wSecond = static_cast<uint16_t>(std::min(fields.tm_sec, 59));  // no leap seconds
    system.wMilliseconds = 0;
    return SystemTimeToFileTime(&system, time);
}

void ApplyExtendedTimestamp(std::span<const uint8_t> extra, AnsiEntryRecord* record) {
    for (size_t start = 0; start + kExtraHeaderSize < extra.size();
         start += kExtraHeaderSize + ReadLE16(extra, start + 2)) {
        if (extra[start] == 'U' && extra[start + 1] == 'T') {
            ParseExtendedTimestamp(extra, start, record);
            return;
        }
    }
}
