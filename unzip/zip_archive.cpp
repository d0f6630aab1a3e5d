#include "unzip/zip_archive.h"

#include <algorithm>
#include <string>

#include "platform/codepage.h"
#include "unzip/try_make.h"
#include "unzip/zip_handle.h"

namespace {

int32_t CheckHandle(const ZipArchive* archive) {
    if (archive == nullptr)
        return ZIPRC_BAD_ARGUMENT;
    if (archive->tag != kZipArchiveTag || !archive->unpacker)
        return ZIPRC_WRONG_HANDLE;
    return ZIPRC_OK;
}

void CopyRecord(const AnsiEntryRecord& record, ZipEntryInfo* info) {
    info->index = record.index;
    const std::u16string name = ZipNameToWide(record.name, record.utf8Name);
    std::fill(std::begin(info->name), std::end(info->name), u'\0');
    // The unpacker refuses longer names; the bound keeps the terminator in any case.
    std::copy_n(name.begin(), std::min<size_t>(name.size(), kZipEntryNameCapacity - 1), info->name);
    info->attributes = record.attributes;
    info->accessTime = record.accessTime;
    info->creationTime = record.creationTime;
    info->modificationTime = record.modificationTime;
    info->compressedSize = record.compressedSize;
    info->uncompressedSize = record.uncompressedSize;
    info->unixMode = record.unixMode;
}

}  // namespace

ZipArchive* OpenZipArchive(const void* source, uint32_t length, uint32_t kind) {
    auto unpacker = TryMake<ZipUnpacker>();
    if (!unpacker || unpacker->Open(source, length, kind) != ZIPRC_OK)
        return nullptr;
    auto archive = TryMake<ZipArchive>();
    if (!archive)
        return nullptr;
    archive->unpacker = std::move(unpacker);
    return archive.release();
}

int32_t GetZipEntry(ZipArchive* archive, int32_t index, ZipEntryInfo* info) {
    const int32_t checked = CheckHandle(archive);
    if (checked != ZIPRC_OK)
        return checked;
    if (info == nullptr)
        return ZIPRC_BAD_ARGUMENT;
    AnsiEntryRecord record;
    const int32_t result = archive->unpacker->GetRecord(index, &record);
    if (result != ZIPRC_OK)
        return result;
    CopyRecord(record, info);
    return ZIPRC_OK;
}

int32_t ExtractZipEntry(ZipArchive* archive, int32_t index, void* target, uint32_t length,
                        uint32_t kind) {
    const int32_t checked = CheckHandle(archive);
    if (checked != ZIPRC_OK)
        return checked;
    return archive->unpacker->Extract(index, target, length, kind);
}

int32_t CloseZipArchive(ZipArchive* archive) {
    const int32_t checked = CheckHandle(archive);
    if (checked != ZIPRC_OK)
        return checked;
    std::unique_ptr<ZipArchive> owned(archive);
    return owned->unpacker->Close();
}
