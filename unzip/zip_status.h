// Status values of the archive's inner layers: 0 or negative, never an exception.
#pragma once

#include <cstdint>

constexpr int32_t ZS_OK = 0;               // success; also a byte read at the end of the source
constexpr int32_t ZS_IO_ERROR = -1;        // a seek or read failed, or no end record was found
constexpr int32_t ZS_END_OF_LIST = -100;   // no further entry; entry data without a buffer
constexpr int32_t ZS_INVALID_CALL = -102;  // no archive, no current entry or no open data
constexpr int32_t ZS_INCONSISTENT = -103;  // a signature, disk number or compared field differs
constexpr int32_t ZS_NO_MEMORY = -104;     // memory for the entry data reader is not available
constexpr int32_t ZS_CRC_MISMATCH = -105;  // the whole entry's CRC-32 differs from the header's
