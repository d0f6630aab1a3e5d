#include "unzip/byte_source.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "unzip/try_make.h"
#include "unzip/zip_codes.h"
#include "unzip/zip_status.h"

namespace {

// Common setup of both handle kinds once the source owns its handle.
void AttachHandle(ZipByteSource& source, HANDLE handle) {
    source.file.Reset(handle);
    source.viaHandle = true;
    source.readFailed = false;
    source.seekable = GetFileType(handle) == FILE_TYPE_DISK;
    if (source.seekable) {
        const int64_t position = SetFilePointer(handle, 0, FILE_CURRENT);
        source.startOffset = position < 0 ? 0 : position;
        source.position = source.startOffset;
    }
}

// Reads `count` bytes at the source position of a seekable handle, through the window when the
// request is small. Gives the number of bytes placed.
uint32_t ReadSeekable(ZipByteSource& source, uint8_t* dest, uint32_t count) {
    const int64_t offsetInWindow = source.position - source.windowStart;
    if (offsetInWindow >= 0 && offsetInWindow + count <= source.windowLength) {
        std::memcpy(dest, source.window.data() + offsetInWindow, count);
        return count;
    }
    uint32_t got = 0;
    if (count >= kByteSourceDirectRead) {
        if (!ReadFileAt(source.file.Get(), source.position, dest, count, &got)) {
            source.readFailed = true;
        }
        return got;
    }
    source.windowLength = 0;
    source.windowStart = source.position;
    if (!ReadFileAt(source.file.Get(), source.position, source.window.data(), kByteSourceWindow,
                    &got)) {
        source.readFailed = true;
    }
    source.windowLength = got;
    const uint32_t placed = std::min(count, got);
    std::memcpy(dest, source.window.data(), placed);
    return placed;
}

uint32_t ReadMemory(ZipByteSource& source, uint8_t* dest, uint32_t count) {
    if (source.memoryPos >= source.memorySize)
        return 0;
    const uint32_t placed = std::min(count, source.memorySize - source.memoryPos);
    std::memcpy(dest, source.memory + source.memoryPos, placed);
    source.memoryPos += placed;
    return placed;
}

int32_t ReadLittleEndian(ZipByteSource& source, int byteCount, uint32_t* value) {
    uint32_t result = 0;
    for (int i = 0; i < byteCount; ++i) {
        uint8_t byte = 0;
        const int32_t status = ReadByte(source, &byte);
        if (status != ZS_OK) {
            *value = 0;
            return status;
        }
        result |= uint32_t{byte} << (8 * i);
    }
    *value = result;
    return ZS_OK;
}

}  // namespace

std::unique_ptr<ZipByteSource> OpenByteSource(const void* source, uint32_t length, uint32_t kind,
                                              int32_t* result) {
    if (kind != ZIO_HANDLE && kind != ZIO_PATH && kind != ZIO_BUFFER) {
        *result = ZIPRC_BAD_ARGUMENT;
        return nullptr;
    }
    if (source == nullptr && kind != ZIO_HANDLE) {
        *result = ZIPRC_BAD_ARGUMENT;
        return nullptr;
    }
    auto made = TryMake<ZipByteSource>();
    if (!made) {
        *result = ZIPRC_BAD_ARGUMENT;
        return nullptr;
    }
    if (kind == ZIO_HANDLE) {
        HANDLE copy = INVALID_HANDLE_VALUE;
        if (!DuplicateHandle(const_cast<HANDLE>(source), &copy)) {
            *result = ZIPRC_HANDLE_COPY_FAILED;
            return nullptr;
        }
        AttachHandle(*made, copy);
    } else if (kind == ZIO_PATH) {
        const HANDLE file = CreateFileW(static_cast<const char16_t*>(source), GENERIC_READ,
                                        FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
        if (file == INVALID_HANDLE_VALUE) {
            *result = ZIPRC_FILE_OPEN_FAILED;
            return nullptr;
        }
        AttachHandle(*made, file);  // a fresh handle stands at 0, where a path source begins
    } else {
        made->viaHandle = false;
        made->seekable = true;
        made->memory = static_cast<const uint8_t*>(source);
        made->memorySize = length;
    }
    *result = ZIPRC_OK;
    return made;
}

void CloseByteSource(std::unique_ptr<ZipByteSource>& source) {
    source.reset();
}

bool ByteSourceFailed(const ZipByteSource& source) {
    return source.viaHandle && source.readFailed;
}

int64_t ByteSourceTell(const ZipByteSource& source) {
    if (!source.viaHandle)
        return source.memoryPos;
    if (!source.seekable)
        return 0;
    return source.position - source.startOffset;
}

int ByteSourceSeek(ZipByteSource& source, int64_t offset, int origin) {
    if (!source.viaHandle) {
        int64_t target = offset;
        if (origin == 1)
            target += source.memoryPos;
        else if (origin == 2)
            target += source.memorySize;
        else if (origin != 0)
            return 0;
        // A position outside what 32 bits hold lies past the block: reads deliver nothing
        // there, rather than wrapping onto bytes that belong elsewhere.
        source.memoryPos =
            target < 0 || target > int64_t{UINT32_MAX} ? UINT32_MAX : static_cast<uint32_t>(target);
        return 0;
    }
    if (!source.seekable)
        return 1;
    int64_t target;
    switch (origin) {
        case 0:
            target = source.startOffset + offset;
            break;
        case 1:
            target = source.position + offset;
            break;
        case 2: {
            const int64_t size = GetFileSize(source.file.Get());
            if (size < 0)
                return 0;
            target = size + offset;
            break;
        }
        default:
            return 1;
    }
    // As with the platform's seek, a negative position is refused and nothing moves.
    if (target >= 0)
        source.position = target;
    return 0;
}

uint32_t ByteSourceRead(void* dest, uint32_t itemSize, uint32_t itemCount, ZipByteSource& source) {
    const uint64_t total = uint64_t{itemSize} * itemCount;
    if (total == 0 || total > UINT32_MAX)
        return 0;
    const auto count = static_cast<uint32_t>(total);
    auto* bytes = static_cast<uint8_t*>(dest);
    uint32_t got;
    if (!source.viaHandle) {
        got = ReadMemory(source, bytes, count);
    } else if (source.seekable) {
        got = ReadSeekable(source, bytes, count);
        source.position += got;
    } else if (!ReadFile(source.file.Get(), bytes, count, &got)) {
        source.readFailed = true;
    }
    return got / itemSize;
}

int32_t ReadByte(ZipByteSource& source, uint8_t* value) {
    uint8_t byte;
    if (ByteSourceRead(&byte, 1, 1, source) == 1) {
        *value = byte;
        return ZS_OK;
    }
    return ByteSourceFailed(source) ? ZS_IO_ERROR : ZS_OK;
}

int32_t ReadUInt16LE(ZipByteSource& source, uint32_t* value) {
    return ReadLittleEndian(source, 2, value);
}

int32_t ReadUInt32LE(ZipByteSource& source, uint32_t* value) {
    return ReadLittleEndian(source, 4, value);
}
