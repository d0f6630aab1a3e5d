// The structure of a ZIP archive: the end of central directory record, the walk over the
// central directory and the check of an entry's local header.
//
// Single-disk archives as PKWARE's application note defines them, with the ZIP64 records and
// extra field where sizes, offsets or counts do not fit their 16- and 32-bit fields. Every
// function gives ZS_OK or a negative ZS_ status; the archive is never written.
#pragma once

#include <cstdint>
#include <memory>

#include "unzip/byte_source.h"
#include "unzip/end_records.h"

// Signatures of the records, little-endian.
constexpr uint32_t kEndRecordSignature = 0x06054b50;       // "PK\5\6"
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;   // "PK\1\2"
constexpr uint32_t kLocalHeaderSignature = 0x04034b50;     // "PK\3\4"
constexpr uint32_t kZip64EndRecordSignature = 0x06064b50;  // "PK\6\6"
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;    // "PK\6\7"

// Fixed sizes of the records.
constexpr uint32_t kCentralHeaderSize = 46;
constexpr uint32_t kLocalHeaderSize = 30;

// General purpose bit 3: CRC-32 and sizes follow the data in a descriptor (never read here,
// the central header's values are used).
constexpr uint32_t kZipFlagDataDescriptor = 0x0008;
// General purpose bits 0 and 6: the entry is encrypted (traditional or strong encryption),
// which is not read.
constexpr uint32_t kZipFlagEncrypted = 0x0001;
constexpr uint32_t kZipFlagStrongEncryption = 0x0040;

// Header ID of the ZIP64 extended information extra field.
constexpr uint32_t kZip64ExtraId = 0x0001;

// Compression methods that can be read.
constexpr uint32_t kMethodStored = 0;
constexpr uint32_t kMethodDeflated = 8;

// The fixed fields of a central directory header, each widened to 32 bits; sizes, the disk
// number and (in ZipDirectoryReader) the local header offset as the ZIP64 extra field gives
// them when their fields hold all ones.
struct CentralEntryHeader {
    uint32_t versionMadeBy = 0;
    uint32_t versionNeeded = 0;
    uint32_t flags = 0;
    uint32_t method = 0;
    uint32_t dosDateTime = 0;  // MS-DOS time in the low 16 bits, date in the high 16
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t nameLength = 0;
    uint32_t extraLength = 0;
    uint32_t commentLength = 0;
    uint32_t diskStart = 0;
    uint32_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
};

struct EntryDataReader;  // unzip/entry_data.h

// An opened archive and its current entry.
struct ZipDirectoryReader {
    ZipDirectoryReader();
    ~ZipDirectoryReader();  // releases open entry data and the source
    ZipDirectoryReader(const ZipDirectoryReader&) = delete;
    ZipDirectoryReader& operator=(const ZipDirectoryReader&) = delete;

    std::unique_ptr<ZipByteSource> source;
    uint32_t entryCount = 0;
    uint64_t bytesBefore = 0;  // bytes ahead of the archive; added to every archive offset
    uint32_t entryIndex = 0;   // index of the current entry, from 0
    uint64_t entryPos = 0;     // archive offset of the current entry's central header
    uint32_t entryValid = 0;   // 1 when the current central header was read without failure
    uint64_t dirOffset = 0;    // archive offset of the central directory
    CentralEntryHeader header;
    uint64_t localHeaderOffset = 0;
    std::unique_ptr<EntryDataReader> dataReader;  // the current entry's data while open
};

// What CheckLocalHeader reports of a local header.
struct LocalHeaderInfo {
    uint32_t variableLength = 0;  // local name length + local extra field length
    uint64_t extraOffset = 0;     // archive offset of the local extra field
    uint32_t extraLength = 0;
};

// Opens the archive in `source`, which it takes over: LocateCentralDirectory
// (unzip/end_records.h) finds the central directory and its entry count. `*verdict` becomes
// ZS_OK or that function's status (or ZS_NO_MEMORY). On success the source's startOffset
// becomes 0, so every position is an archive offset plus bytesBefore, and the first entry is
// current; on failure the source is closed and null is given.
std::unique_ptr<ZipDirectoryReader> OpenDirectoryReader(std::unique_ptr<ZipByteSource> source,
                                                        int32_t* verdict);

// Closes open entry data (its verdict is dropped) and the source, and frees the reader.
// ZS_INVALID_CALL for no reader.
int32_t CloseDirectoryReader(std::unique_ptr<ZipDirectoryReader>& reader);

// Reads the central header at entryPos, with the ZIP64 values of its extra field.
// `headerOut`, `localOffsetOut` and `nameBuffer` are each optional. A name shorter than
// `nameCapacity` is read and terminated; a longer one fills exactly `nameCapacity` bytes without a
// terminator. Gives ZS_INVALID_CALL for no reader, ZS_IO_ERROR for a failed seek or read (a short
// name included), ZS_INCONSISTENT for a wrong signature; nothing is stored then.
int32_t ReadCentralHeader(ZipDirectoryReader* reader, CentralEntryHeader* headerOut,
                          uint64_t* localOffsetOut, char* nameBuffer, uint32_t nameCapacity);

// Make the first, or the next, entry current and read its header into `header` and
// `localHeaderOffset`; entryValid tells whether that worked. SelectNextEntry gives
// ZS_END_OF_LIST without moving on the last entry or after an invalid one.
int32_t SelectFirstEntry(ZipDirectoryReader* reader);
int32_t SelectNextEntry(ZipDirectoryReader* reader);

// Checks the current entry's local header against its central header: signature, method
// (equal, and 0 or 8), no encryption in either header, name length, and CRC-32 and sizes
// (those of the local ZIP64 extra field where the fields hold all ones) unless the local flags
// have bit 3. Gives ZS_OK, ZS_IO_ERROR (a failed seek or read) or ZS_INCONSISTENT; `*info`
// (optional) is filled from what was read.
int32_t CheckLocalHeader(ZipDirectoryReader* reader, LocalHeaderInfo* info);
