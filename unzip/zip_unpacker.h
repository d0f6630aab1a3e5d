// The object behind an archive handle: owns the directory reader, builds and caches entry
// records, and extracts entries to paths, handles and buffers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "unzip/directory_reader.h"
#include "unzip/entry_record.h"

// Size of the pieces in which entry data is copied to its target.
constexpr uint32_t kCopyPieceSize = 16384;

// Longest name of a ZipEntryInfo in UTF-16 units, its terminator not counted.
constexpr size_t kMaxWideNameLength = 258;

class ZipUnpacker {
public:
    ZipUnpacker();
    ~ZipUnpacker();
    ZipUnpacker(const ZipUnpacker&) = delete;
    ZipUnpacker& operator=(const ZipUnpacker&) = delete;

    // Opens the archive (arguments as OpenZipArchive) and notes the current directory as the
    // root of relative targets. Gives ZIPRC_OK; ZIPRC_ALREADY_OPEN when an archive is held;
    // ZIPRC_NOT_SEEKABLE for a handle that is not a disk file; a code of OpenByteSource; or the
    // negative verdict of OpenDirectoryReader.
    int32_t Open(const void* source, uint32_t length, uint32_t kind);

    // Describes entry `index` (-1: the entry count in `index`, the rest empty). Ends data left
    // open by a buffer extraction. Gives ZIPRC_OK; ZIPRC_BAD_ARGUMENT for an index below -1 or
    // not below the count; ZIPRC_ENTRY_MISMATCH when the entry cannot be described (its central
    // header unreadable, its local header disagreeing, or a name too long for the records or
    // holding a NUL byte); ZIPRC_EXTRA_READ_FAILED when its local extra field cannot be read.
    // `*record` is untouched on failure.
    int32_t GetRecord(int32_t index, AnsiEntryRecord* record);

    // Extracts entry `index` (arguments as ExtractZipEntry).
    int32_t Extract(int32_t index, void* target, uint32_t length, uint32_t kind);

    // Ends open data and closes the archive. Gives ZIPRC_OK.
    int32_t Close();

private:
    int32_t SelectEntry(int32_t index);
    int32_t BuildRecord(int32_t index, AnsiEntryRecord* record);
    void CloseOpenEntry();
    int32_t ExtractToPath(const AnsiEntryRecord& record, const char16_t* target);
    int32_t ExtractToHandle(const AnsiEntryRecord& record, HANDLE target);
    int32_t ExtractToBuffer(int32_t index, uint8_t* buffer, uint32_t length);
    bool CopyEntryData(HANDLE target);

    std::unique_ptr<ZipDirectoryReader> directory_;
    int32_t openEntry_ = -1;  // entry whose data stays open between buffer extractions
    AnsiEntryRecord cachedRecord_;
    int32_t cachedIndex_ = -1;
    std::u16string rootDir_;  // current directory at open, ending in '/'; empty if too long
    std::array<uint8_t, kCopyPieceSize> copyBuffer_;
    std::array<uint8_t, 0xFFFF> extraBuffer_;  // a local extra field, at most 65535 bytes
};
