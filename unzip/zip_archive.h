// The archive interface: open a ZIP archive from a path, a file handle or a memory block,
// describe its entries, extract them to a path, a handle or a buffer, and close it.
//
// Every function gives ZIPRC_OK (0) or a positive ZIPRC_ code and never throws. A handle is
// used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/file_time.h"
#include "unzip/zip_codes.h"

// Capacity of ZipEntryInfo::name in UTF-16 units, the terminator included. Names longer than
// 258 units are refused, never cut.
constexpr uint32_t kZipEntryNameCapacity = 260;

struct ZipEntryInfo {
    int32_t index = 0;  // the entry's index; for index -1, the number of entries
    // The name as stored (with its '/' or '\' separators): UTF-8 when the entry says so or its
    // bytes are valid UTF-8, else CP437. Terminated.
    char16_t name[kZipEntryNameCapacity] = {};
    uint32_t attributes = 0;  // FILE_ATTRIBUTE_ values mapped from the external attributes
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME modificationTime;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    // The Unix mode (file type and permission bits, as st_mode) of an entry made on Unix; 0
    // for an entry without one.
    uint32_t unixMode = 0;
};

// An open archive; made by OpenZipArchive, released by CloseZipArchive.
struct ZipArchive;

// Opens an archive. `kind` ZIO_PATH: `source` is a terminated UTF-16 path (const char16_t*).
// ZIO_HANDLE: `source` is an open HANDLE of a disk file; the archive starts at its current
// position, and the archive keeps a duplicate, so the caller may close its own. ZIO_BUFFER:
// `source` points at `length` bytes, which must outlive the archive. `length` is used only for
// ZIO_BUFFER. Gives null when the archive cannot be opened (no such file, not a disk file, no
// valid end of central directory record, records that disagree, a multi-disk archive...).
// Archives may use the ZIP64 records and extra field; an empty archive opens with no entries.
ZipArchive* OpenZipArchive(const void* source, uint32_t length, uint32_t kind);

// Fills `*info` with entry `index`, or with the entry count (in `index`, all else empty) for
// index -1. An entry whose name ends in '/' or '\' is a directory whatever its external
// attributes say. Gives ZIPRC_OK; ZIPRC_BAD_ARGUMENT (no archive or `info`, index below -1 or
// not below the count); ZIPRC_WRONG_HANDLE; ZIPRC_ENTRY_MISMATCH (the entry cannot be
// described: its central header cannot be read, its local header disagrees with it, it is
// encrypted, or its name is longer than the records hold or holds a NUL byte);
// ZIPRC_EXTRA_READ_FAILED (its local extra field cannot be read). `*info` is untouched on failure.
// Ends a buffer extraction in progress.
int32_t GetZipEntry(ZipArchive* archive, int32_t index, ZipEntryInfo* info);

// Extracts entry `index` to `target`:
//
// ZIO_PATH: `target` is a terminated UTF-16 path (const char16_t*, not written). '/' and '\'
// both separate; a relative path lies under the current directory at open time. A path with a
// ".." component, or one of MAX_PATH units or more, is refused (ZIPRC_FILE_OPEN_FAILED) and
// nothing is written. A directory entry creates the directory that the path names, with its
// missing parents (ZIPRC_FILE_OPEN_FAILED when it cannot be made). A file entry's missing
// parent directories are created; its data goes to a temporary file beside the target that
// takes the target's place (replacing a symbolic link there, never writing through it) only
// when the whole entry arrived with its CRC-32 right; the file times are then set. On failure
// the temporary is removed and an existing target keeps its content: ZIPRC_FILE_OPEN_FAILED
// when the temporary cannot be made, ZIPRC_EXTRACT_FAILED when the data cannot be read, ends
// short, fails its CRC-32, or cannot be written or put in place.
//
// ZIO_HANDLE: `target` is an open HANDLE, written at its position (ZIPRC_FILE_OPEN_FAILED for
// INVALID_HANDLE_VALUE). A directory entry writes nothing. Failures as for a path, except that
// what was written stays written; times are set only after success, on a disk file.
//
// ZIO_BUFFER: `target` is a buffer of `length` bytes (0 is ZIPRC_BAD_ARGUMENT). Each call
// fills the buffer with the next bytes of the entry and gives ZIPRC_MORE_DATA (only the piece
// that reaches the end may be shorter; its length follows from uncompressedSize); the call after
// the last piece places nothing and gives ZIPRC_OK, or ZIPRC_DATA_FAILED when the data could
// not be read, ended short or failed its CRC-32. Any other call on the archive ends the
// extraction; the next buffer call for the entry starts it again from its beginning.
//
// Also: ZIPRC_BAD_ARGUMENT (no archive, a kind other than 1-3, an index out of range, a null
// path or buffer), ZIPRC_WRONG_HANDLE, and the failures of GetZipEntry for the entry, given
// before anything is written.
int32_t ExtractZipEntry(ZipArchive* archive, int32_t index, void* target, uint32_t length,
                        uint32_t kind);

// Closes the archive and releases the handle. Gives ZIPRC_OK, ZIPRC_BAD_ARGUMENT (null) or
// ZIPRC_WRONG_HANDLE (and then releases nothing).
int32_t CloseZipArchive(ZipArchive* archive);

// Owns an open archive: closes it when it goes.
struct ZipArchiveCloser {
    void operator()(ZipArchive* archive) const { CloseZipArchive(archive); }
};
using ZipArchivePtr = std::unique_ptr<ZipArchive, ZipArchiveCloser>;
