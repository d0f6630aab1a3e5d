#include "unzip/end_records.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "unzip/directory_reader.h"
#include "unzip/record_fields.h"
#include "unzip/zip_status.h"

namespace {

constexpr int64_t kEndRecordSize = 22;
constexpr int64_t kEndRecordSearchRange = kEndRecordSize + 0xFFFF;  // the longest comment
constexpr int64_t kZip64LocatorSize = 20;
constexpr int64_t kZip64EndRecordSize = 56;        // without extensible data
constexpr uint64_t kZip64EndRecordFixedSize = 44;  // what the record's size field counts
constexpr uint32_t kAllOnes16 = 0xFFFF;
constexpr uint32_t kAllOnes32 = 0xFFFFFFFF;
constexpr uint64_t kMostEntries = INT32_MAX;                 // entry indexes are signed 32-bit
constexpr uint32_t kDigitalSignatureSignature = 0x05054b50;  // "PK\5\5"

bool IsEndRecordSignature(const uint8_t* at) {
    return at[0] == 0x50 && at[1] == 0x4B && at[2] == 0x05 && at[3] == 0x06;
}

// What the end records say of the central directory.
struct DirectoryExtent {
    uint64_t entries = 0;
    uint64_t size = 0;
    uint64_t offset = 0;
    int64_t recordPos = 0;  // where the record that follows the directory lies
    bool zip64 = false;
};

// Reads the end record at `pos`.
int32_t ReadEndRecord(ZipByteSource& source, int64_t pos, DirectoryExtent* extent) {
    int32_t status = ZS_OK;
    if (ByteSourceSeek(source, pos, 0) != 0)
        return ZS_IO_ERROR;
    uint32_t signature, thisDisk, directoryDisk, entriesHere, entriesTotal, size, offset;
    ReadField32(source, &signature, &status);
    ReadField16(source, &thisDisk, &status);
    ReadField16(source, &directoryDisk, &status);
    ReadField16(source, &entriesHere, &status);
    ReadField16(source, &entriesTotal, &status);
    ReadField32(source, &size, &status);
    ReadField32(source, &offset, &status);
    if (status != ZS_OK)
        return status;
    if (entriesTotal != entriesHere || thisDisk != 0 || directoryDisk != 0)
        return ZS_INCONSISTENT;
    *extent = DirectoryExtent{entriesHere, size, offset, pos, false};
    return ZS_OK;
}

// A value of the end record agrees with the ZIP64 one when it is equal or holds all ones.
bool Agrees(uint64_t endValue, uint64_t zip64Value, uint64_t allOnes) {
    return endValue == allOnes || endValue == zip64Value;
}

// When a ZIP64 locator lies right before the end record at `endPos`, reads the ZIP64 end record
// it points to (where it says, or right before the locator when bytes lie ahead of the archive)
// and lets it replace `*extent`. Gives ZS_OK also when there is no locator.
int32_t ReadZip64EndRecord(ZipByteSource& source, int64_t endPos, DirectoryExtent* extent) {
    const int64_t locatorPos = endPos - kZip64LocatorSize;
    if (locatorPos < 0)
        return ZS_OK;
    int32_t status = ZS_OK;
    uint32_t signature = 0, recordDisk = 0, diskCount = 0;
    uint64_t recordOffset = 0;
    if (ByteSourceSeek(source, locatorPos, 0) != 0)
        return ZS_IO_ERROR;
    ReadField32(source, &signature, &status);
    if (status != ZS_OK || signature != kZip64LocatorSignature)
        return status;
    ReadField32(source, &recordDisk, &status);
    ReadField64(source, &recordOffset, &status);
    ReadField32(source, &diskCount, &status);
    if (status != ZS_OK)
        return status;
    if (recordDisk != 0 || diskCount > 1)
        return ZS_INCONSISTENT;

    int64_t recordPos = -1;
    const int64_t candidates[] = {
        locatorPos - kZip64EndRecordSize,
        recordOffset < uint64_t(locatorPos) ? static_cast<int64_t>(recordOffset) : -1};
    for (const int64_t at : candidates) {
        if (at < 0 || ByteSourceSeek(source, at, 0) != 0)
            continue;
        ReadField32(source, &signature, &status);
        if (status != ZS_OK)
            return status;
        if (signature == kZip64EndRecordSignature) {
            recordPos = at;
            break;
        }
    }
    if (recordPos < 0)
        return ZS_INCONSISTENT;  // a locator that points at no ZIP64 end record

    uint64_t recordSize, entriesHere, entriesTotal, size, offset;
    uint32_t versions, thisDisk, directoryDisk;
    ReadField64(source, &recordSize, &status);
    ReadField32(source, &versions, &status);  // made by and needed: not used
    ReadField32(source, &thisDisk, &status);
    ReadField32(source, &directoryDisk, &status);
    ReadField64(source, &entriesHere, &status);
    ReadField64(source, &entriesTotal, &status);
    ReadField64(source, &size, &status);
    ReadField64(source, &offset, &status);
    if (status != ZS_OK)
        return status;
    // The record's size counts what follows its size field; it ends before the locator.
    const int64_t room = locatorPos - recordPos - 12;
    if (recordSize < kZip64EndRecordFixedSize || room < 0 || recordSize > uint64_t(room) ||
        thisDisk != 0 || directoryDisk != 0 || entriesHere != entriesTotal) {
        return ZS_INCONSISTENT;
    }
    // The record follows the directory, at the archive offset the locator gives.
    if (offset > uint64_t(recordPos) || size > uint64_t(recordPos) - offset ||
        offset + size != recordOffset) {
        return ZS_INCONSISTENT;
    }
    if (!Agrees(extent->entries, entriesTotal, kAllOnes16) ||
        !Agrees(extent->size, size, kAllOnes32) || !Agrees(extent->offset, offset, kAllOnes32)) {
        return ZS_INCONSISTENT;
    }
    *extent = DirectoryExtent{entriesTotal, size, offset, recordPos, true};
    return ZS_OK;
}

// What a walk over the central directory found.
struct DirectoryCount {
    uint64_t headers = 0;  // central headers read in full inside the directory
    bool whole = false;    // the headers fill the directory exactly
};

// Counts the central headers in the `size` bytes at source position `start`. The walk stops
// at a wrong signature or a header running past the directory's end; a digital signature
// record ends the directory.
int32_t CountCentralHeaders(ZipByteSource& source, uint64_t start, uint64_t size,
                            DirectoryCount* count) {
    *count = DirectoryCount{};
    uint64_t at = 0;
    while (at < size) {
        if (size - at < 4 || count->headers >= kMostEntries)
            return ZS_OK;
        int32_t status = ZS_OK;
        uint32_t signature = 0, nameLength = 0, extraLength = 0, commentLength = 0;
        if (ByteSourceSeek(source, static_cast<int64_t>(start + at), 0) != 0)
            return ZS_IO_ERROR;
        ReadField32(source, &signature, &status);
        if (status != ZS_OK)
            return status;
        if (signature == kDigitalSignatureSignature)
            break;  // the directory's last record, which is no entry
        if (signature != kCentralHeaderSignature || size - at < kCentralHeaderSize)
            return ZS_OK;
        if (ByteSourceSeek(source, 24, 1) != 0)
            return ZS_IO_ERROR;
        ReadField16(source, &nameLength, &status);
        ReadField16(source, &extraLength, &status);
        ReadField16(source, &commentLength, &status);
        if (status != ZS_OK)
            return status;
        const uint64_t length =
            uint64_t{kCentralHeaderSize} + nameLength + extraLength + commentLength;
        if (length > size - at)
            return ZS_OK;
        at += length;
        count->headers += 1;
    }
    count->whole = true;
    return ZS_OK;
}

// The entry count from the stated one and the walk, or -1 when they cannot be reconciled.
int64_t ReconcileEntryCount(const DirectoryExtent& extent, const DirectoryCount& count) {
    if (!count.whole) {
        // The headers from the unreadable one on fail when they are asked for.
        return extent.entries > count.headers && extent.entries <= kMostEntries
                   ? static_cast<int64_t>(extent.entries)
                   : -1;
    }
    if (count.headers == extent.entries)
        return static_cast<int64_t>(count.headers);
    // Without ZIP64 records, writers store the count modulo 65536.
    if (!extent.zip64 && (count.headers & kAllOnes16) == extent.entries)
        return static_cast<int64_t>(count.headers);
    return -1;
}

}  // namespace

int64_t FindEndRecord(ZipByteSource& source) {
    if (ByteSourceSeek(source, 0, 2) != 0)
        return -1;
    const int64_t size = ByteSourceTell(source);
    if (size < kEndRecordSize)
        return -1;
    const int64_t span = std::min(size, kEndRecordSearchRange);
    std::unique_ptr<uint8_t[]> tail(new (std::nothrow) uint8_t[span]);
    if (!tail)
        return -1;
    const int64_t start = size - span;
    if (ByteSourceSeek(source, start, 0) != 0 ||
        ByteSourceRead(tail.get(), static_cast<uint32_t>(span), 1, source) != 1) {
        return -1;
    }
    int64_t nearest = -1;
    for (int64_t i = span - kEndRecordSize; i >= 0; --i) {
        if (!IsEndRecordSignature(&tail[i]))
            continue;
        // A signature inside a comment is told from the record by the comment length.
        const uint32_t commentLength = tail[i + 20] | uint32_t{tail[i + 21]} << 8;
        if (i + kEndRecordSize + commentLength == span)
            return start + i;
        if (nearest < 0)
            nearest = start + i;
    }
    return nearest;
}

int32_t LocateCentralDirectory(ZipByteSource& source, CentralDirectoryPlace* place) {
    DirectoryExtent extent;
    const int64_t pos = FindEndRecord(source);
    if (pos < 0)
        return ZS_IO_ERROR;
    int32_t status = ReadEndRecord(source, pos, &extent);
    if (status == ZS_OK)
        status = ReadZip64EndRecord(source, pos, &extent);
    if (status != ZS_OK)
        return status;
    // The directory ends where the record after it begins, or before: the difference is the
    // bytes ahead of the archive.
    const auto recordPos = static_cast<uint64_t>(extent.recordPos);
    if (extent.offset > recordPos || extent.size > recordPos - extent.offset)
        return ZS_INCONSISTENT;
    const uint64_t bytesBefore = recordPos - extent.offset - extent.size;
    DirectoryCount count;
    status = CountCentralHeaders(source, extent.offset + bytesBefore, extent.size, &count);
    if (status != ZS_OK)
        return status;
    const int64_t entryCount = ReconcileEntryCount(extent, count);
    if (entryCount < 0)
        return ZS_INCONSISTENT;
    *place = CentralDirectoryPlace{extent.offset, bytesBefore, static_cast<uint32_t>(entryCount)};
    return ZS_OK;
}
