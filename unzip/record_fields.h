// Reading the fields of the archive's records: little-endian integers that note a failed
// read in a status, and the values of the ZIP64 extended information extra field.
#pragma once

#include <cstdint>

#include "unzip/byte_source.h"

// Read one field, setting `*status` to ZS_IO_ERROR when the read fails.
void ReadField16(ZipByteSource& source, uint32_t* value, int32_t* status);
void ReadField32(ZipByteSource& source, uint32_t* value, int32_t* status);
void ReadField64(ZipByteSource& source, uint64_t* value, int32_t* status);

// The values a ZIP64 extra field may give, each asked for (non-null) only when its own field
// holds all ones; they are stored in this order, those not asked for left out.
struct Zip64Wanted {
    uint64_t* uncompressedSize = nullptr;
    uint64_t* compressedSize = nullptr;
    uint64_t* localHeaderOffset = nullptr;
    uint32_t* diskStart = nullptr;
};

// Finds the ZIP64 block (header ID 0x0001) in the extra field of `length` bytes at the
// source's position and reads the values asked for that its data holds; the others keep their
// values. Gives ZS_OK or ZS_IO_ERROR.
int32_t ReadZip64Extra(ZipByteSource& source, uint32_t length, const Zip64Wanted& wanted);
