// Result codes of the archive interface and the kinds of source and target.
#pragma once

#include <cstdint>

// Kinds of archive source (OpenZipArchive) and extraction target (ExtractZipEntry).
constexpr uint32_t ZIO_HANDLE = 1;  // an open file HANDLE
constexpr uint32_t ZIO_PATH = 2;    // a terminated UTF-16 path (const char16_t*)
constexpr uint32_t ZIO_BUFFER = 3;  // a memory block and its length in bytes

// Result codes of the interface: 0 or a positive value, never an exception.
constexpr int32_t ZIPRC_OK = 0;
constexpr int32_t ZIPRC_HANDLE_COPY_FAILED = 0x100;
constexpr int32_t ZIPRC_FILE_OPEN_FAILED = 0x200;
constexpr int32_t ZIPRC_EXTRACT_FAILED = 0x400;
constexpr int32_t ZIPRC_MORE_DATA = 0x600;
constexpr int32_t ZIPRC_ENTRY_MISMATCH = 0x700;
constexpr int32_t ZIPRC_EXTRA_READ_FAILED = 0x800;
constexpr int32_t ZIPRC_BAD_ARGUMENT = 0x10000;
constexpr int32_t ZIPRC_WRONG_HANDLE = 0x80000;
constexpr int32_t ZIPRC_ALREADY_OPEN = 0x1000000;
constexpr int32_t ZIPRC_NOT_SEEKABLE = 0x2000000;
constexpr int32_t ZIPRC_DATA_FAILED = 0x5000000;
