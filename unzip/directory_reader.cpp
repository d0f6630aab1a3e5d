#include "unzip/directory_reader.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "unzip/entry_data.h"
#include "unzip/try_make.h"
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

// Reads one field, setting `*status` to ZS_IO_ERROR when the read fails.
void ReadField16(ZipByteSource& source, uint32_t* value, int32_t* status) {
    if (ReadUInt16LE(source, value) != ZS_OK)
        *status = ZS_IO_ERROR;
}
void ReadField32(ZipByteSource& source, uint32_t* value, int32_t* status) {
    if (ReadUInt32LE(source, value) != ZS_OK)
        *status = ZS_IO_ERROR;
}
void ReadField64(ZipByteSource& source, uint64_t* value, int32_t* status) {
    uint32_t low = 0, high = 0;
    ReadField32(source, &low, status);
    ReadField32(source, &high, status);
    *value = uint64_t{high} << 32 | low;
}

// The values a ZIP64 extra field may give, each asked for (non-null) only when its own field
// holds all ones; they are stored in this order, those not asked for left out.
struct Zip64Wanted {
    uint64_t* uncompressedSize = nullptr;
    uint64_t* compressedSize = nullptr;
    uint64_t* localHeaderOffset = nullptr;
    uint32_t* diskStart = nullptr;
};

// Finds the ZIP64 block in the extra field of `length` bytes at the source's position and
// reads the values asked for that its data holds; the others keep their values.
int32_t ReadZip64Extra(ZipByteSource& source, uint32_t length, const Zip64Wanted& wanted) {
    int32_t status = ZS_OK;
    uint32_t at = 0;
    while (at + 4 <= length && status == ZS_OK) {
        uint32_t id = 0, size = 0;
        ReadField16(source, &id, &status);
        ReadField16(source, &size, &status);
        at += 4;
        if (id != kZip64ExtraId) {
            at += size;
            if (ByteSourceSeek(source, size, 1) != 0)
                return ZS_IO_ERROR;
            continue;
        }
        size = std::min(size, length - at);  // never beyond the extra field
        for (uint64_t* value :
             {wanted.uncompressedSize, wanted.compressedSize, wanted.localHeaderOffset}) {
            if (value == nullptr)
                continue;
            if (size < 8)
                return status;
            ReadField64(source, value, &status);
            size -= 8;
        }
        if (wanted.diskStart != nullptr && size >= 4)
            ReadField32(source, wanted.diskStart, &status);
        return status;
    }
    return status;
}

// The current entry's header into the reader itself; entryValid follows the status.
int32_t ReadCurrentHeader(ZipDirectoryReader* reader) {
    const int32_t status =
        ReadCentralHeader(reader, &reader->header, &reader->localHeaderOffset, nullptr, 0);
    reader->entryValid = status == ZS_OK ? 1 : 0;
    return status;
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

ZipDirectoryReader::ZipDirectoryReader() = default;
ZipDirectoryReader::~ZipDirectoryReader() {
    if (dataReader)
        CloseEntryData(this);
}

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

std::unique_ptr<ZipDirectoryReader> OpenDirectoryReader(std::unique_ptr<ZipByteSource> source,
                                                        int32_t* verdict) {
    int32_t status = ZS_OK;
    DirectoryExtent extent;
    const int64_t pos = FindEndRecord(*source);
    if (pos < 0)
        status = ZS_IO_ERROR;
    if (status == ZS_OK)
        status = ReadEndRecord(*source, pos, &extent);
    if (status == ZS_OK)
        status = ReadZip64EndRecord(*source, pos, &extent);
    // The directory ends where the record after it begins, or before: the difference is the
    // bytes ahead of the archive.
    const auto recordPos = static_cast<uint64_t>(extent.recordPos);
    if (status == ZS_OK && (extent.offset > recordPos || extent.size > recordPos - extent.offset)) {
        status = ZS_INCONSISTENT;
    }
    const uint64_t bytesBefore = recordPos - extent.offset - extent.size;
    int64_t entryCount = -1;
    if (status == ZS_OK) {
        DirectoryCount count;
        status = CountCentralHeaders(*source, extent.offset + bytesBefore, extent.size, &count);
        if (status == ZS_OK) {
            entryCount = ReconcileEntryCount(extent, count);
            if (entryCount < 0)
                status = ZS_INCONSISTENT;
        }
    }

    std::unique_ptr<ZipDirectoryReader> reader;
    if (status == ZS_OK) {
        reader = TryMake<ZipDirectoryReader>();
        if (!reader)
            status = ZS_NO_MEMORY;
    }
    if (status != ZS_OK) {
        CloseByteSource(source);
        *verdict = status;
        return nullptr;
    }
    // From here on positions are file positions: the bytes ahead of the archive include those
    // before a handle's start.
    reader->bytesBefore = static_cast<uint64_t>(source->startOffset) + bytesBefore;
    source->startOffset = 0;
    reader->source = std::move(source);
    reader->entryCount = static_cast<uint32_t>(entryCount);
    reader->dirOffset = extent.offset;
    SelectFirstEntry(reader.get());
    *verdict = ZS_OK;
    return reader;
}

int32_t CloseDirectoryReader(std::unique_ptr<ZipDirectoryReader>& reader) {
    if (!reader)
        return ZS_INVALID_CALL;
    reader.reset();
    return ZS_OK;
}

int32_t ReadCentralHeader(ZipDirectoryReader* reader, CentralEntryHeader* headerOut,
                          uint64_t* localOffsetOut, char* nameBuffer, uint32_t nameCapacity) {
    if (reader == nullptr)
        return ZS_INVALID_CALL;
    ZipByteSource& source = *reader->source;
    const uint64_t headerPos = reader->entryPos + reader->bytesBefore;
    int32_t status = ZS_OK;
    if (ByteSourceSeek(source, static_cast<int64_t>(headerPos), 0) != 0) {
        status = ZS_IO_ERROR;
    } else {
        uint32_t signature;
        if (ReadUInt32LE(source, &signature) != ZS_OK) {
            status = ZS_IO_ERROR;
        } else if (signature != kCentralHeaderSignature) {
            status = ZS_INCONSISTENT;
        }
    }
    CentralEntryHeader h;
    uint32_t compressedSize = 0, uncompressedSize = 0, localOffset32 = 0;
    ReadField16(source, &h.versionMadeBy, &status);
    ReadField16(source, &h.versionNeeded, &status);
    ReadField16(source, &h.flags, &status);
    ReadField16(source, &h.method, &status);
    ReadField32(source, &h.dosDateTime, &status);
    ReadField32(source, &h.crc, &status);
    ReadField32(source, &compressedSize, &status);
    ReadField32(source, &uncompressedSize, &status);
    ReadField16(source, &h.nameLength, &status);
    ReadField16(source, &h.extraLength, &status);
    ReadField16(source, &h.commentLength, &status);
    ReadField16(source, &h.diskStart, &status);
    ReadField16(source, &h.internalAttributes, &status);
    ReadField32(source, &h.externalAttributes, &status);
    ReadField32(source, &localOffset32, &status);
    if (status != ZS_OK)
        return status;

    h.compressedSize = compressedSize;
    h.uncompressedSize = uncompressedSize;
    uint64_t localOffset = localOffset32;
    Zip64Wanted wanted;
    if (uncompressedSize == kAllOnes32)
        wanted.uncompressedSize = &h.uncompressedSize;
    if (compressedSize == kAllOnes32)
        wanted.compressedSize = &h.compressedSize;
    if (localOffset32 == kAllOnes32)
        wanted.localHeaderOffset = &localOffset;
    if (h.diskStart == kAllOnes16)
        wanted.diskStart = &h.diskStart;
    if (wanted.uncompressedSize || wanted.compressedSize || wanted.localHeaderOffset ||
        wanted.diskStart) {
        const auto extraPos = static_cast<int64_t>(headerPos + kCentralHeaderSize + h.nameLength);
        if (ByteSourceSeek(source, extraPos, 0) != 0 ||
            ReadZip64Extra(source, h.extraLength, wanted) != ZS_OK) {
            return ZS_IO_ERROR;
        }
        if (nameBuffer != nullptr &&
            ByteSourceSeek(source, static_cast<int64_t>(headerPos + kCentralHeaderSize), 0) != 0) {
            return ZS_IO_ERROR;
        }
    }

    if (nameBuffer != nullptr) {
        uint32_t count = h.nameLength;
        if (h.nameLength < nameCapacity) {
            nameBuffer[h.nameLength] = '\0';
        } else {
            count = nameCapacity;
        }
        if (count > 0 && ByteSourceRead(nameBuffer, 1, count, source) != count) {
            return ZS_IO_ERROR;
        }
    }
    if (headerOut != nullptr)
        *headerOut = h;
    if (localOffsetOut != nullptr)
        *localOffsetOut = localOffset;
    return ZS_OK;
}

int32_t SelectFirstEntry(ZipDirectoryReader* reader) {
    if (reader == nullptr)
        return ZS_INVALID_CALL;
    reader->entryPos = reader->dirOffset;
    reader->entryIndex = 0;
    return ReadCurrentHeader(reader);
}

int32_t SelectNextEntry(ZipDirectoryReader* reader) {
    if (reader == nullptr)
        return ZS_INVALID_CALL;
    if (reader->entryValid == 0 || reader->entryIndex + 1 >= reader->entryCount) {
        return ZS_END_OF_LIST;
    }
    const CentralEntryHeader& h = reader->header;
    reader->entryPos +=
        uint64_t{kCentralHeaderSize} + h.nameLength + h.extraLength + h.commentLength;
    reader->entryIndex += 1;
    return ReadCurrentHeader(reader);
}

int32_t CheckLocalHeader(ZipDirectoryReader* reader, LocalHeaderInfo* info) {
    if (info != nullptr)
        *info = LocalHeaderInfo{};
    if (reader == nullptr)
        return ZS_INVALID_CALL;
    ZipByteSource& source = *reader->source;
    const CentralEntryHeader& central = reader->header;
    const uint64_t headerPos = reader->localHeaderOffset + reader->bytesBefore;
    if (ByteSourceSeek(source, static_cast<int64_t>(headerPos), 0) != 0)
        return ZS_IO_ERROR;
    int32_t status = ZS_OK;
    uint32_t signature, version, flags, method, dosDateTime, crc, compressedSize, uncompressedSize,
        nameLength, extraLength;
    ReadField32(source, &signature, &status);
    ReadField16(source, &version, &status);  // version needed: not compared
    ReadField16(source, &flags, &status);
    ReadField16(source, &method, &status);
    ReadField32(source, &dosDateTime, &status);  // not compared
    ReadField32(source, &crc, &status);
    ReadField32(source, &compressedSize, &status);
    ReadField32(source, &uncompressedSize, &status);
    ReadField16(source, &nameLength, &status);
    ReadField16(source, &extraLength, &status);
    if (status != ZS_OK)
        return status;
    const uint64_t extraOffset = reader->localHeaderOffset + kLocalHeaderSize + nameLength;
    if (info != nullptr) {
        info->variableLength = nameLength + extraLength;
        info->extraOffset = extraOffset;
        info->extraLength = extraLength;
    }
    if (signature != kLocalHeaderSignature || nameLength != central.nameLength)
        return ZS_INCONSISTENT;
    if (method != central.method || (method != kMethodStored && method != kMethodDeflated))
        return ZS_INCONSISTENT;
    if (((flags | central.flags) & (kZipFlagEncrypted | kZipFlagStrongEncryption)) != 0)
        return ZS_INCONSISTENT;  // nothing of an encrypted entry can be read
    if ((flags & kZipFlagDataDescriptor) != 0)
        return ZS_OK;  // the sizes follow the data; the central header's are used

    uint64_t localCompressed = compressedSize;
    uint64_t localUncompressed = uncompressedSize;
    Zip64Wanted wanted;
    if (uncompressedSize == kAllOnes32)
        wanted.uncompressedSize = &localUncompressed;
    if (compressedSize == kAllOnes32)
        wanted.compressedSize = &localCompressed;
    if (wanted.uncompressedSize || wanted.compressedSize) {
        if (ByteSourceSeek(source, static_cast<int64_t>(extraOffset + reader->bytesBefore), 0) !=
                0 ||
            ReadZip64Extra(source, extraLength, wanted) != ZS_OK) {
            return ZS_IO_ERROR;
        }
    }
    if (crc != central.crc || localCompressed != central.compressedSize ||
        localUncompressed != central.uncompressedSize) {
        return ZS_INCONSISTENT;
    }
    return ZS_OK;
}
