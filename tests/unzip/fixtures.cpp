#include "tests/unzip/fixtures.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/text.h"
#include "tests/tools/unique_temp_dir.h"

std::string FixturePath(const std::string& name) {
    return std::string(ZIP_FIXTURE_DIR) + "/" + name;
}

std::u16string FixturePathW(const std::string& name) {
    return Utf8ToWide(FixturePath(name));
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::vector<uint8_t> ReadFixture(const std::string& name) {
    return ReadWholeFile(FixturePath(name));
}

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((i * 7) % 251);
    return bytes;
}

std::vector<uint8_t> Noise(size_t n) {
    std::vector<uint8_t> bytes;
    uint32_t x = 2463534242u;
    while (bytes.size() < n) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes.push_back(static_cast<uint8_t>(x));
    }
    return bytes;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

uint64_t UnixToFileTimeCount(int64_t seconds) {
    return static_cast<uint64_t>(seconds + 11644473600) * 10000000;
}

uint64_t FixtureDosTimeCount() {
    return UnixToFileTimeCount(1614834368);
}  // 2021-03-04 05:06:08

ZipArchivePtr OpenFixture(const std::string& name) {
    const std::u16string path = FixturePathW(name);
    return ZipArchivePtr(OpenZipArchive(path.c_str(), 0, ZIO_PATH));
}

std::vector<uint8_t> ExtractToMemory(ZipArchive* archive, int32_t index, uint32_t piece,
                                     int32_t* result, int* calls) {
    ZipEntryInfo info;
    const uint64_t size =
        GetZipEntry(archive, index, &info) == ZIPRC_OK ? info.uncompressedSize : 0;
    std::vector<uint8_t> out;
    std::vector<uint8_t> buffer(piece);
    if (calls)
        *calls = 0;
    for (;;) {
        *result = ExtractZipEntry(archive, index, buffer.data(), piece, ZIO_BUFFER);
        if (*result != ZIPRC_MORE_DATA)
            break;
        if (calls)
            ++*calls;
        const size_t left = size > out.size() ? size - out.size() : 0;
        out.insert(out.end(), buffer.begin(), buffer.begin() + std::min<size_t>(piece, left));
        // A hostile entry could go on for long; no fixture holds more than this.
        if (out.size() > (1u << 24))
            break;
    }
    return out;
}

TempDir::TempDir() {
    path_ = MakeUniqueTempDir("unzip-test-");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::u16string TempDir::Wide(const std::string& relative) const {
    return Utf8ToWide(relative.empty() ? path_.string() : (path_ / relative).string());
}

CurrentDirectory::CurrentDirectory(const std::filesystem::path& path)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
}

CurrentDirectory::~CurrentDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}
