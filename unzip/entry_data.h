// The data of the current entry: stored bytes copied, deflated bytes decoded with zlib's raw
// DEFLATE decoder, with a running CRC-32 that closing compares with the central header's.
#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>

#include "unzip/directory_reader.h"

// Size of the piece of entry data fetched from the source at a time.
constexpr uint32_t kEntryInputSize = 16384;

// Attached to a ZipDirectoryReader as its dataReader while an entry's data is open. The
// z_stream is referred to by zlib's own state, so the reader never moves.
struct EntryDataReader {
    EntryDataReader();   // leaves inputBuffer uninitialised: it is always filled before use
    ~EntryDataReader();  // inflateEnd when owed
    EntryDataReader(const EntryDataReader&) = delete;
    EntryDataReader& operator=(const EntryDataReader&) = delete;

    std::array<uint8_t, kEntryInputSize> inputBuffer;
    z_stream stream{};
    uint64_t compressedPos = 0;  // archive offset of the next byte to fetch
    bool decoderReady = false;   // inflateInit2 succeeded, so inflateEnd is owed
    uint32_t crc = 0;            // CRC-32 of the bytes delivered so far
    uint32_t expectedCrc = 0;
    uint64_t compressedLeft = 0;      // entry data bytes not yet fetched
    uint64_t uncompressedLeft = 0;    // bytes not yet delivered
    ZipByteSource* source = nullptr;  // the archive's source (not owned)
    uint32_t method = 0;              // 0 stored, otherwise deflated
    uint64_t bytesBefore = 0;
};

// Opens the current entry's data, closing earlier open data first. Gives ZS_OK,
// ZS_INVALID_CALL (no reader or no valid current entry), ZS_INCONSISTENT (the local header
// disagrees or cannot be read; nothing is attached) or ZS_NO_MEMORY (no memory for the reader
// or the decoder; nothing is attached).
int32_t OpenEntryData(ZipDirectoryReader* reader);

// Places up to `n` bytes of the open data at `dest` and gives their number, never more than is
// left of the stated uncompressed size: every request is filled except at the end of the data.
// 0 means the data ended (completely, or early on corrupt or short data: see EntryDataComplete).
// Negative: ZS_INVALID_CALL (nothing open) or ZS_IO_ERROR (a seek or read of the source failed).
int64_t ReadEntryData(ZipDirectoryReader* reader, uint8_t* dest, uint32_t n);

// True when the open data has delivered its whole stated uncompressed size.
bool EntryDataComplete(const ZipDirectoryReader* reader);

// Closes the open data. Gives ZS_CRC_MISMATCH when all data was delivered and its CRC-32
// differs from the central header's, ZS_INVALID_CALL when nothing is open, else ZS_OK (data
// closed part way is not judged).
int32_t CloseEntryData(ZipDirectoryReader* reader);
