#include "unzip/directory_reader.h"

#include <cstdint>

#include "unzip/end_records.h"
#include "unzip/entry_data.h"
#include "unzip/record_fields.h"
#include "unzip/try_make.h"
#include "unzip/zip_status.h"

namespace {

constexpr uint32_t kAllOnes16 = 0xFFFF;
constexpr uint32_t kAllOnes32 = 0xFFFFFFFF;

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

std::unique_ptr<ZipDirectoryReader> OpenDirectoryReader(std::unique_ptr<ZipByteSource> source,
                                                        int32_t* verdict) {
    CentralDirectoryPlace place;
    int32_t status = LocateCentralDirectory(*source, &place);
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
    reader->bytesBefore = static_cast<uint64_t>(source->startOffset) + place.bytesBefore;
    source->startOffset = 0;
    reader->source = std::move(source);
    reader->entryCount = place.entryCount;
    reader->dirOffset = place.offset;
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
