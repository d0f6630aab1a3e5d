// The byte source of an archive: an open file handle, a file path or a memory block, read
// and positioned alike.
//
// A seekable handle is read through a window of its own, so that header fields cost no system
// call per byte; what a read or seek gives is exactly what unbuffered calls would give. Reads
// go to the file at the source's own position (positional reads), so the caller's handle is
// never moved.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/file.h"

// Size of the read window of a seekable handle; requests of kByteSourceDirectRead bytes or
// more go straight to the file.
constexpr uint32_t kByteSourceWindow = 4096;
constexpr uint32_t kByteSourceDirectRead = 1024;

struct ZipByteSource {
    bool viaHandle = false;   // bytes come through `file` (ZIO_HANDLE, ZIO_PATH)
    bool seekable = false;    // the handle is a disk file; always true for a memory block
    FileHandle file;          // a duplicate of the caller's handle, or the file opened by path
    bool readFailed = false;  // a read through the handle failed; never cleared
    int64_t startOffset = 0;  // file position where the source begins; 0 for paths and memory
    const uint8_t* memory = nullptr;  // the memory block (not owned)
    uint32_t memorySize = 0;
    uint32_t memoryPos = 0;

    // Seekable handles: the file position of the source, and the window of file bytes held.
    int64_t position = 0;
    int64_t windowStart = 0;
    uint32_t windowLength = 0;
    std::array<uint8_t, kByteSourceWindow> window{};
};

// Makes a source of `kind`: ZIO_HANDLE (`source` is a HANDLE, which is duplicated: the caller's
// handle stays the caller's), ZIO_PATH (`source` is a terminated UTF-16 path, opened for
// reading) or ZIO_BUFFER (`source` points at `length` bytes, which must outlive the source).
// `*result` becomes ZIPRC_OK, ZIPRC_HANDLE_COPY_FAILED, ZIPRC_FILE_OPEN_FAILED or
// ZIPRC_BAD_ARGUMENT (unknown kind, null path or buffer, no memory); null is given on failure.
// A handle source starts at the handle's current position when it is a disk file.
std::unique_ptr<ZipByteSource> OpenByteSource(const void* source, uint32_t length, uint32_t kind,
                                              int32_t* result);

// Releases the source and closes its handle (never the caller's own).
void CloseByteSource(std::unique_ptr<ZipByteSource>& source);

// True when the source reads through a handle and a read of it has failed.
bool ByteSourceFailed(const ZipByteSource& source);

// Position relative to startOffset: 0 for a handle that is not seekable.
int64_t ByteSourceTell(const ZipByteSource& source);

// Moves the position by `offset` from the start (origin 0, startOffset + offset), the current
// position (1) or the end (2). Gives 0, or non-zero for an unknown origin or a handle that is
// not seekable. A handle position that would be negative stays where it was; a memory
// position may lie past the end (reads there deliver nothing), and one that is negative or
// beyond 32 bits lies past the end.
int ByteSourceSeek(ZipByteSource& source, int64_t offset, int origin);

// Reads `itemSize` * `itemCount` bytes to `dest` and gives the number of whole items read.
// Fewer arrive at the end of the source, or when a handle read fails (readFailed is then set).
uint32_t ByteSourceRead(void* dest, uint32_t itemSize, uint32_t itemCount, ZipByteSource& source);

// Reads one byte. ZS_OK with `*value` set when it arrived; at the end of the source ZS_OK with
// `*value` untouched; ZS_IO_ERROR when no byte arrived and ByteSourceFailed is true.
int32_t ReadByte(ZipByteSource& source, uint8_t* value);

// Read 2 or 4 bytes, least significant first. Bytes missing at the end of the source count
// as 0. At the first byte read that fails, the rest is not read, `*value` is 0 and that
// status is given.
int32_t ReadUInt16LE(ZipByteSource& source, uint32_t* value);
int32_t ReadUInt32LE(ZipByteSource& source, uint32_t* value);
