// Helpers of the unzip tests: the fixture archives that tests/tools/make_zip_fixtures.py
// writes, the generators of their contents, and a temporary directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "unzip/zip_archive.h"

// Path of a fixture archive.
std::string FixturePath(const std::string& name);
std::u16string FixturePathW(const std::string& name);
std::vector<uint8_t> ReadFixture(const std::string& name);

// Contents the fixture script uses: (i * 7) % 251, and 32-bit xorshift bytes.
std::vector<uint8_t> Pattern(size_t n);
std::vector<uint8_t> Noise(size_t n);
std::vector<uint8_t> Bytes(const std::string& text);

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& text);

// The FILETIME count of seconds since 1970, and of the fixtures' MS-DOS time
// 2021-03-04 05:06:08 taken as UTC.
uint64_t UnixToFileTimeCount(int64_t seconds);
uint64_t FixtureDosTimeCount();

// Opens a fixture by path.
ZipArchivePtr OpenFixture(const std::string& name);

// Extracts entry `index` through a buffer of `piece` bytes until the call that is not
// ZIPRC_MORE_DATA, whose code lands in `*result`. `*calls` (optional) counts MORE_DATA calls.
// Gives the bytes, the last piece cut to what the entry's size leaves.
std::vector<uint8_t> ExtractToMemory(ZipArchive* archive, int32_t index, uint32_t piece,
                                     int32_t* result, int* calls = nullptr);

// A fresh directory under the system's temporary directory, removed with all it holds.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::u16string Wide(const std::string& relative = "") const;

private:
    std::filesystem::path path_;
};

// Changes the current directory for the life of the object.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& path);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::filesystem::path previous_;
};
