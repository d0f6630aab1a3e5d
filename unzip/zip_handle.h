// What an archive handle is; callers see only the name ZipArchive.
#pragma once

#include <cstdint>
#include <memory>

#include "unzip/zip_unpacker.h"

// Tag of a handle opened for reading; every function rejects any other value.
constexpr uint32_t kZipArchiveTag = 1;

struct ZipArchive {
    uint32_t tag = kZipArchiveTag;
    std::unique_ptr<ZipUnpacker> unpacker;
};
