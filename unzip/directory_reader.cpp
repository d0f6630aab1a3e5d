#include "unzip/directory_reader.h"

#include <algorithm>
#include <array>

#include "unzip/entry_data.h"
#include "unzip/try_make.h"
#include "unzip/zip_status.h"

namespace {

constexpr int64_t kEndRecordSearchRange = 0xFFFF;
constexpr uint32_t kSearchStep = 1024;
constexpr uint32_t kSearchWindow = kSearchStep + 4;  // overlap so no signature straddles unseen

// Scans one window from its end and gives the index of the signature nearest to it, or -1.
int FindSignatureInWindow(const uint8_t* window, uint32_t size) {
    for (int i = static_cast<int>(size) - 4; i >= 0; --i) {
        if (window[i] == 0x50 && window[i + 1] == 0x4B && window[i + 2] == 0x05 &&
            window[i + 3] == 0x06) {
            return i;
        }
    }
    return -1;
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

// The current entry's header into the reader itself; entryValid follows the status.
int32_t ReadCurrentHeader(ZipDirectoryReader* reader) {
    const int32_t status =
        ReadCentralHeader(reader, &reader->header, &reader->localHeaderOffset, nullptr, 0);
    reader->entryValid = status == ZS_OK ? 1 : 0;
    return status;
}

}  // namespace

ZipDirectoryReader::ZipDirectoryReader() = default;
ZipDirectoryReader::~ZipDirectoryReader() {
    if (dataReader)
        CloseEntryData(this);
}

uint32_t FindEndRecord(ZipByteSource& source) {
    if (ByteSourceSeek(source, 0, 2) != 0)
        return 0;
    const int64_t size = ByteSourceTell(source);
    const int64_t maxBack = std::min(size, kEndRecordSearchRange);
    std::array<uint8_t, kSearchWindow> window;
    int64_t back = 4;
    int64_t found = 0;
    while (back < maxBack) {
        back = std::min(back + kSearchStep, maxBack);
        const int64_t readPos = size - back;
        const auto readSize = static_cast<uint32_t>(std::min<int64_t>(kSearchWindow, back));
        if (ByteSourceSeek(source, readPos, 0) != 0)
            break;
        if (ByteSourceRead(window.data(), readSize, 1, source) != 1)
            break;
        const int at = FindSignatureInWindow(window.data(), readSize);
        if (at >= 0)
            found = readPos + at;
        if (found != 0)
            break;
    }
    // Archive positions are 32-bit; a record beyond them cannot be used.
    return found > UINT32_MAX ? 0 : static_cast<uint32_t>(found);
}

std::unique_ptr<ZipDirectoryReader> OpenDirectoryReader(std::unique_ptr<ZipByteSource> source,
                                                        int32_t* verdict) {
    // Each failing test sets the verdict; the last one decides, as every test still runs.
    int32_t status = ZS_OK;
    const uint32_t pos = FindEndRecord(*source);
    if (pos == 0)
        status = ZS_IO_ERROR;
    if (ByteSourceSeek(*source, pos, 0) != 0)
        status = ZS_IO_ERROR;

    uint32_t signature, thisDisk, directoryDisk, entriesHere, entriesTotal;
    ReadField32(*source, &signature, &status);
    ReadField16(*source, &thisDisk, &status);
    ReadField16(*source, &directoryDisk, &status);
    ReadField16(*source, &entriesHere, &status);
    ReadField16(*source, &entriesTotal, &status);
    if (entriesTotal != entriesHere || thisDisk != 0 || directoryDisk != 0) {
        status = ZS_INCONSISTENT;
    }
    uint32_t directorySize, directoryOffset, commentLength;
    ReadField32(*source, &directorySize, &status);
    ReadField32(*source, &directoryOffset, &status);
    ReadField16(*source, &commentLength, &status);

    const auto recordPos = static_cast<uint32_t>(source->startOffset + pos);
    const uint32_t directoryEnd = directoryOffset + directorySize;
    if (status == ZS_OK && recordPos < directoryEnd)
        status = ZS_INCONSISTENT;

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
    reader->bytesBefore = recordPos - directoryEnd;
    source->startOffset = 0;
    reader->source = std::move(source);
    reader->entryCount = entriesHere;
    reader->dirOffset = directoryOffset;
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
                          uint32_t* localOffsetOut, char* nameBuffer, uint32_t nameCapacity) {
    if (reader == nullptr)
        return ZS_INVALID_CALL;
    ZipByteSource& source = *reader->source;
    int32_t status = ZS_OK;
    if (ByteSourceSeek(source, uint32_t{reader->entryPos + reader->bytesBefore}, 0) != 0) {
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
    uint32_t localOffset;
    ReadField16(source, &h.versionMadeBy, &status);
    ReadField16(source, &h.versionNeeded, &status);
    ReadField16(source, &h.flags, &status);
    ReadField16(source, &h.method, &status);
    ReadField32(source, &h.dosDateTime, &status);
    ReadField32(source, &h.crc, &status);
    ReadField32(source, &h.compressedSize, &status);
    ReadField32(source, &h.uncompressedSize, &status);
    ReadField16(source, &h.nameLength, &status);
    ReadField16(source, &h.extraLength, &status);
    ReadField16(source, &h.commentLength, &status);
    ReadField16(source, &h.diskStart, &status);
    ReadField16(source, &h.internalAttributes, &status);
    ReadField32(source, &h.externalAttributes, &status);
    ReadField32(source, &localOffset, &status);
    if (status != ZS_OK)
        return status;

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
    reader->entryPos += kCentralHeaderSize + h.nameLength + h.extraLength + h.commentLength;
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
    if (ByteSourceSeek(source, uint32_t{reader->localHeaderOffset + reader->bytesBefore}, 0) != 0) {
        return ZS_IO_ERROR;
    }
    // A failed read replaces the verdict and skips its comparison; comparisons run only while
    // the verdict is still ZS_OK.
    int32_t status = ZS_OK;
    uint32_t value;
    auto field = [&](int bytes) {
        const int32_t read =
            bytes == 2 ? ReadUInt16LE(source, &value) : ReadUInt32LE(source, &value);
        if (read != ZS_OK)
            status = ZS_IO_ERROR;
        return read == ZS_OK && status == ZS_OK;
    };
    if (field(4) && value != kLocalHeaderSignature)
        status = ZS_INCONSISTENT;
    field(2);  // version needed: not compared
    uint32_t flags = 0;
    if (field(2))
        flags = value;
    if (field(2) &&
        (value != central.method || (value != kMethodStored && value != kMethodDeflated))) {
        status = ZS_INCONSISTENT;
    }
    field(4);  // MS-DOS time and date: not compared
    const bool sizesHere = (flags & kZipFlagDataDescriptor) == 0;
    if (field(4) && sizesHere && value != central.crc)
        status = ZS_INCONSISTENT;
    if (field(4) && sizesHere && value != central.compressedSize)
        status = ZS_INCONSISTENT;
    if (field(4) && sizesHere && value != central.uncompressedSize)
        status = ZS_INCONSISTENT;
    uint32_t nameLength = 0;
    if (ReadUInt16LE(source, &nameLength) != ZS_OK)
        status = ZS_IO_ERROR;
    if (status == ZS_OK && nameLength != central.nameLength)
        status = ZS_INCONSISTENT;
    uint32_t extraLength = 0;
    if (ReadUInt16LE(source, &extraLength) != ZS_OK)
        status = ZS_IO_ERROR;
    if (info != nullptr) {
        info->variableLength = nameLength + extraLength;
        info->extraOffset = reader->localHeaderOffset + kLocalHeaderSize + nameLength;
        info->extraLength = extraLength;
    }
    return status;
}
