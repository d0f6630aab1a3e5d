// The records at the end of an archive: the end of central directory record (found behind
// the longest comment), the ZIP64 end record and its locator, and the central directory they
// describe, walked to count its entries.
#pragma once

#include <cstdint>

#include "unzip/byte_source.h"

// Where the central directory lies and how many entries it holds.
struct CentralDirectoryPlace {
    uint64_t offset = 0;       // archive offset of the directory
    uint64_t bytesBefore = 0;  // bytes ahead of the archive (relative to the source's start)
    uint32_t entryCount = 0;
};

// Position (relative to the source's startOffset) of the end of central directory record,
// searched in the last 65557 bytes (the record and the longest comment): the one nearest to
// the end whose comment ends exactly at the end of the source, else the one nearest to the
// end. Gives -1 when none is found.
int64_t FindEndRecord(ZipByteSource& source);

// Reads the end records and walks the central directory. The ZIP64 end record, when its
// locator lies right before the end record, gives the values whose fields hold all ones; a
// value the two records both give must agree. The entry count is what the walk finds: the
// stated count must agree with it (the 16-bit count of an archive without ZIP64 records may
// have wrapped), and when the walk meets a header that cannot be read, the stated count stands
// only if it runs beyond that header. Gives ZS_OK, ZS_IO_ERROR (no end record, a failed seek
// or read) or ZS_INCONSISTENT (multi-disk, records or counts that disagree, a central
// directory ending beyond the end records).
int32_t LocateCentralDirectory(ZipByteSource& source, CentralDirectoryPlace* place);
