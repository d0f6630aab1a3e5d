#include "unzip/zip_unpacker.h"

#include <cstring>
#include <string_view>

#include "platform/codepage.h"
#include "platform/directory.h"
#include "platform/path.h"
#include "unzip/entry_data.h"
#include "unzip/pending_file.h"
#include "unzip/target_path.h"
#include "unzip/zip_codes.h"
#include "unzip/zip_status.h"

namespace {

bool IsDirectoryRecord(const AnsiEntryRecord& record) {
    return (record.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The current directory followed by a separator, or empty when that does not fit a path.
std::u16string CurrentRootDirectory() {
    std::u16string current;
    const uint32_t length = GetCurrentDirectoryW(MAX_PATH - 1, current);
    if (length == 0 || length + 1 >= MAX_PATH)
        return {};
    if (current.back() != kPathSeparator)
        current.push_back(kPathSeparator);
    return current;
}

// A name the records can hold: no NUL byte, and short enough for both name fields.
bool NameFitsRecords(std::string_view name, bool utf8) {
    if (name.size() >= kRecordNameCapacity)
        return false;
    if (name.find('\0') != std::string_view::npos)
        return false;
    return ZipNameToWide(name, utf8).size() <= kMaxWideNameLength;
}

}  // namespace

ZipUnpacker::ZipUnpacker() {}

ZipUnpacker::~ZipUnpacker() {
    Close();
}

int32_t ZipUnpacker::Open(const void* source, uint32_t length, uint32_t kind) {
    if (directory_ || openEntry_ != -1)
        return ZIPRC_ALREADY_OPEN;
    rootDir_ = CurrentRootDirectory();
    if (kind == ZIO_HANDLE && GetFileType(const_cast<HANDLE>(source)) != FILE_TYPE_DISK) {
        return ZIPRC_NOT_SEEKABLE;
    }
    int32_t result = ZIPRC_OK;
    std::unique_ptr<ZipByteSource> bytes = OpenByteSource(source, length, kind, &result);
    if (!bytes)
        return result;
    int32_t verdict = ZS_OK;
    directory_ = OpenDirectoryReader(std::move(bytes), &verdict);
    return verdict;
}

int32_t ZipUnpacker::Close() {
    CloseOpenEntry();
    if (directory_)
        CloseDirectoryReader(directory_);
    cachedIndex_ = -1;
    return ZIPRC_OK;
}

void ZipUnpacker::CloseOpenEntry() {
    if (openEntry_ == -1)
        return;
    CloseEntryData(directory_.get());
    openEntry_ = -1;
}

int32_t ZipUnpacker::SelectEntry(int32_t index) {
    ZipDirectoryReader* reader = directory_.get();
    const auto wanted = static_cast<uint32_t>(index);
    if (wanted < reader->entryIndex)
        SelectFirstEntry(reader);
    while (reader->entryIndex < wanted) {
        if (SelectNextEntry(reader) != ZS_OK)
            break;
    }
    // A central header that cannot be read ends the walk before the entry asked for.
    if (reader->entryIndex != wanted || reader->entryValid == 0)
        return ZIPRC_ENTRY_MISMATCH;
    return ZIPRC_OK;
}

int32_t ZipUnpacker::GetRecord(int32_t index, AnsiEntryRecord* record) {
    if (!directory_)
        return ZIPRC_BAD_ARGUMENT;
    if (index < -1 || int64_t{index} >= int64_t{directory_->entryCount}) {
        return ZIPRC_BAD_ARGUMENT;
    }
    CloseOpenEntry();
    if (index != -1 && index == cachedIndex_) {
        *record = cachedRecord_;
        return ZIPRC_OK;
    }
    if (index == -1) {
        *record = AnsiEntryRecord{};
        record->index = static_cast<int32_t>(directory_->entryCount);
        return ZIPRC_OK;
    }
    return BuildRecord(index, record);
}

int32_t ZipUnpacker::BuildRecord(int32_t index, AnsiEntryRecord* record) {
    if (SelectEntry(index) != ZIPRC_OK)
        return ZIPRC_ENTRY_MISMATCH;
    ZipDirectoryReader* reader = directory_.get();
    AnsiEntryRecord built;
    if (ReadCentralHeader(reader, nullptr, nullptr, built.name, kRecordNameCapacity) != ZS_OK) {
        return ZIPRC_ENTRY_MISMATCH;
    }
    const CentralEntryHeader& h = reader->header;
    built.utf8Name = (h.flags & kZipFlagUtf8Name) != 0;
    // Names are never cut: one that does not fit is refused (the buffer then holds no
    // terminator, so the length is checked before the bytes are looked at).
    if (h.nameLength >= kRecordNameCapacity ||
        !NameFitsRecords(std::string_view(built.name, h.nameLength), built.utf8Name)) {
        return ZIPRC_ENTRY_MISMATCH;
    }
    LocalHeaderInfo local;
    if (CheckLocalHeader(reader, &local) != ZS_OK)
        return ZIPRC_ENTRY_MISMATCH;
    ZipByteSource& source = *reader->source;
    if (ByteSourceSeek(source, static_cast<int64_t>(local.extraOffset + reader->bytesBefore), 0) !=
            0 ||
        ByteSourceRead(extraBuffer_.data(), 1, local.extraLength, source) != local.extraLength) {
        return ZIPRC_EXTRA_READ_FAILED;
    }
    built.index = static_cast<int32_t>(reader->entryIndex);
    built.attributes = MapEntryAttributes(h.externalAttributes);
    // Writers of jar and OpenDocument files mark directories only by the name's separator.
    if (h.nameLength > 0 &&
        (built.name[h.nameLength - 1] == '/' || built.name[h.nameLength - 1] == '\\')) {
        built.attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    built.unixMode = EntryUnixMode(h.versionMadeBy, h.externalAttributes);
    built.compressedSize = h.compressedSize;
    built.uncompressedSize = h.uncompressedSize;
    built.modificationTime = DosTimeToFileTime(h.dosDateTime);
    built.accessTime = built.modificationTime;
    built.creationTime = built.modificationTime;
    ApplyExtendedTimestamp(std::span<const uint8_t>(extraBuffer_.data(), local.extraLength),
                           &built);
    cachedRecord_ = built;
    cachedIndex_ = index;
    *record = built;
    return ZIPRC_OK;
}

int32_t ZipUnpacker::Extract(int32_t index, void* target, uint32_t length, uint32_t kind) {
    if (!directory_ || (kind != ZIO_HANDLE && kind != ZIO_PATH && kind != ZIO_BUFFER)) {
        return ZIPRC_BAD_ARGUMENT;
    }
    if (kind == ZIO_BUFFER)
        return ExtractToBuffer(index, static_cast<uint8_t*>(target), length);
    CloseOpenEntry();
    if (index < 0 || int64_t{index} >= int64_t{directory_->entryCount}) {
        return ZIPRC_BAD_ARGUMENT;
    }
    // An entry that cannot be described is not extracted: nothing is created for it.
    AnsiEntryRecord record;
    const int32_t described = GetRecord(index, &record);
    if (described != ZIPRC_OK)
        return described;
    if (kind == ZIO_HANDLE)
        return ExtractToHandle(record, static_cast<HANDLE>(target));
    return ExtractToPath(record, static_cast<const char16_t*>(target));
}

int32_t ZipUnpacker::ExtractToPath(const AnsiEntryRecord& record, const char16_t* target) {
    if (target == nullptr)
        return ZIPRC_BAD_ARGUMENT;
    std::u16string path;
    if (!ResolveTargetPath(rootDir_, target, &path))
        return ZIPRC_FILE_OPEN_FAILED;
    if (IsDirectoryRecord(record)) {
        return MakeDirectoryPath(path) ? ZIPRC_OK : ZIPRC_FILE_OPEN_FAILED;
    }
    if (path.back() == kPathSeparator)
        return ZIPRC_FILE_OPEN_FAILED;  // names no file
    PendingFile file;
    if (!file.Create(path))
        return ZIPRC_FILE_OPEN_FAILED;
    if (!CopyEntryData(file.Handle()))
        return ZIPRC_EXTRACT_FAILED;
    SetFileTime(file.Handle(), &record.creationTime, &record.accessTime, &record.modificationTime);
    return file.Commit() ? ZIPRC_OK : ZIPRC_EXTRACT_FAILED;
}

int32_t ZipUnpacker::ExtractToHandle(const AnsiEntryRecord& record, HANDLE target) {
    if (IsDirectoryRecord(record))
        return ZIPRC_OK;
    if (target == INVALID_HANDLE_VALUE)
        return ZIPRC_FILE_OPEN_FAILED;
    if (!CopyEntryData(target))
        return ZIPRC_EXTRACT_FAILED;
    if (GetFileType(target) == FILE_TYPE_DISK) {
        SetFileTime(target, &record.creationTime, &record.accessTime, &record.modificationTime);
    }
    return ZIPRC_OK;
}

bool ZipUnpacker::CopyEntryData(HANDLE target) {
    ZipDirectoryReader* reader = directory_.get();
    if (OpenEntryData(reader) != ZS_OK)
        return false;
    bool failed = false;
    for (;;) {
        const int64_t n = ReadEntryData(reader, copyBuffer_.data(), kCopyPieceSize);
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        uint32_t written = 0;
        if (!WriteFile(target, copyBuffer_.data(), static_cast<uint32_t>(n), &written)) {
            failed = true;
            break;
        }
    }
    // Data that ended before its stated size, or whose CRC-32 differs, is a failure.
    const bool whole = EntryDataComplete(reader);
    const bool crcRight = CloseEntryData(reader) == ZS_OK;
    return !failed && whole && crcRight;
}

int32_t ZipUnpacker::ExtractToBuffer(int32_t index, uint8_t* buffer, uint32_t length) {
    ZipDirectoryReader* reader = directory_.get();
    // The range is checked first: -1 would otherwise match "no open entry".
    if (buffer == nullptr || length == 0 || index < 0 ||
        int64_t{index} >= int64_t{reader->entryCount}) {
        return ZIPRC_BAD_ARGUMENT;
    }
    if (index != openEntry_) {
        CloseOpenEntry();
        AnsiEntryRecord record;
        const int32_t described = GetRecord(index, &record);
        if (described != ZIPRC_OK)
            return described;
        if (OpenEntryData(reader) != ZS_OK)
            return ZIPRC_DATA_FAILED;
        openEntry_ = index;
    }
    const int64_t n = ReadEntryData(reader, buffer, length);
    if (n > 0)
        return ZIPRC_MORE_DATA;
    const bool whole = EntryDataComplete(reader);
    const bool crcRight = CloseEntryData(reader) == ZS_OK;
    openEntry_ = -1;
    return n == 0 && whole && crcRight ? ZIPRC_OK : ZIPRC_DATA_FAILED;
}
