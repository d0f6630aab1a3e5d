#include "unzip/record_fields.h"

#include <algorithm>

#include "unzip/directory_reader.h"
#include "unzip/zip_status.h"

void ReadField16(ZipByteSource& source, uint32_t* value, int32_t* status) {
    if (ReadUInt16LE(source, value) != ZS_OK)
        *status = ZS_IO_ERROR;
}
void ReadField32(ZipByteSource& source, uint32_t* value, int32_t* status) {
    if (ReadUInt32LE(source, value) != ZS_OK)
        *status = ZS_IO_ERROR;
}
void ReadField64(ZipByteSource& source, uint64_t* value, int32_t* status) {
    uint32_t low = 0, high = 0;
    ReadField32(source, &low, status);
    ReadField32(source, &high, status);
    *value = uint64_t{high} << 32 | low;
}

int32_t ReadZip64Extra(ZipByteSource& source, uint32_t length, const Zip64Wanted& wanted) {
    int32_t status = ZS_OK;
    uint32_t at = 0;
    while (at + 4 <= length && status == ZS_OK) {
        uint32_t id = 0, size = 0;
        ReadField16(source, &id, &status);
        ReadField16(source, &size, &status);
        at += 4;
        if (id != kZip64ExtraId) {
            at += size;
            if (ByteSourceSeek(source, size, 1) != 0)
                return ZS_IO_ERROR;
            continue;
        }
        size = std::min(size, length - at);  // never beyond the extra field
        for (uint64_t* value :
             {wanted.uncompressedSize, wanted.compressedSize, wanted.localHeaderOffset}) {
            if (value == nullptr)
                continue;
            if (size < 8)
                return status;
            ReadField64(source, value, &status);
            size -= 8;
        }
        if (wanted.diskStart != nullptr && size >= 4)
            ReadField32(source, wanted.diskStart, &status);
        return status;
    }
    return status;
}
