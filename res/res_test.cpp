// The embedded images have the formats and sizes their readers expect, and the version block
// says the same thing in version.h, in the desktop entry and inside the linked program.
#include "res/res_data.h"
#include "res/version.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/path.h"
#include "platform/text.h"

namespace {

using Bytes = std::span<const unsigned char>;

uint32_t Le16(Bytes b, size_t at) {
    return b[at] | b[at + 1] << 8;
}
uint32_t Le32(Bytes b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}
uint32_t Be32(Bytes b, size_t at) {
    return uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

std::string ReadWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Checks a BITMAPINFOHEADER at `at`: its size, the dimensions, one plane, the bit depth and no
// compression.
void ExpectInfoHeader(Bytes b, size_t at, int32_t width, int32_t height, uint32_t bits) {
    ASSERT_GE(b.size(), at + 40);
    EXPECT_EQ(Le32(b, at), 40u);
    EXPECT_EQ(int32_t(Le32(b, at + 4)), width);
    EXPECT_EQ(int32_t(Le32(b, at + 8)), height);
    EXPECT_EQ(Le16(b, at + 12), 1u);
    EXPECT_EQ(Le16(b, at + 14), bits);
    EXPECT_EQ(Le32(b, at + 16), 0u);
}

}  // namespace

TEST(Banner, Is24BitBmpOf164By312) {
    const Bytes bmp = BannerBitmapBytes();
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    // A positive height: rows bottom-up, as the bitmap loaders of both platforms expect.
    ExpectInfoHeader(bmp, 14, 164, 312, 24);
    const uint32_t offset = Le32(bmp, 10);
    const uint32_t stride = (164 * 3 + 3) / 4 * 4;
    EXPECT_EQ(offset, 54u);
    EXPECT_EQ(Le32(bmp, 34), stride * 312);
    EXPECT_EQ(bmp.size(), offset + stride * 312);
}

TEST(Icon, PngImagesAreRgbaAtTheirSizes) {
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (int size : {48, 32, 16}) {
        SCOPED_TRACE(size);
        const Bytes png = IconPngBytes(size);
        ASSERT_GE(png.size(), 8u + 25u);
        EXPECT_TRUE(std::equal(std::begin(kSignature), std::end(kSignature), png.begin()));
        // IHDR comes first: length 13, then width, height, bit depth, colour type and the
        // compression, filter and interlace methods, then the CRC of type and data.
        EXPECT_EQ(Be32(png, 8), 13u);
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
        EXPECT_EQ(Be32(png, 16), uint32_t(size));
        EXPECT_EQ(Be32(png, 20), uint32_t(size));
        EXPECT_EQ(png[24], 8);  // bits per channel
        EXPECT_EQ(png[25], 6);  // RGBA
        EXPECT_EQ(png[26] | png[27] | png[28], 0);
        EXPECT_EQ(Be32(png, 29), crc32(0, png.data() + 12, 17));
    }
    for (int size : {0, -16, 24, 47, 64, 256}) {
        EXPECT_TRUE(IconPngBytes(size).empty()) << size;
    }
}

TEST(Icon, IcoListsThreeSizesAt32Bits) {
    const Bytes ico = IconIcoBytes();
    ASSERT_GE(ico.size(), 6u + 3 * 16);
    EXPECT_EQ(Le16(ico, 0), 0u);
    EXPECT_EQ(Le16(ico, 2), 1u);  // an icon, not a cursor
    ASSERT_EQ(Le16(ico, 4), 3u);
    const uint32_t sizes[] = {48, 32, 16};
    for (size_t i = 0; i < 3; ++i) {
        const size_t entry = 6 + 16 * i;
        const uint32_t size = sizes[i];
        SCOPED_TRACE(size);
        EXPECT_EQ(ico[entry], size);
        EXPECT_EQ(ico[entry + 1], size);
        EXPECT_EQ(Le16(ico, entry + 4), 1u);
        EXPECT_EQ(Le16(ico, entry + 6), 32u);
        const uint32_t length = Le32(ico, entry + 8);
        const uint32_t offset = Le32(ico, entry + 12);
        ASSERT_LE(uint64_t(offset) + length, ico.size());
        // The image: a 32-bit DIB of twice the height (colour rows, then the 1-bit AND mask
        // with rows padded to 32 bits).
        ExpectInfoHeader(ico, offset, int32_t(size), int32_t(2 * size), 32);
        const uint32_t mask_stride = (size + 31) / 32 * 4;
        EXPECT_EQ(length, 40 + size * size * 4 + mask_stride * size);
    }
}

TEST(VersionBlock, AgreesWithItselfAndTheDesktopEntry) {
    const std::string numbers[] = {
        std::to_string(UPDATE_VERSION_MAJOR), std::to_string(UPDATE_VERSION_MINOR),
        std::to_string(UPDATE_VERSION_PATCH), std::to_string(UPDATE_VERSION_BUILD)};
    std::string dotted = numbers[0], commas = numbers[0];
    for (int i = 1; i < 4; ++i) {
        dotted += "." + numbers[i];
        commas += ", " + numbers[i];
    }
    EXPECT_EQ(UPDATE_FILE_VERSION, dotted);
    EXPECT_EQ(UPDATE_PRODUCT_VERSION, dotted);
    EXPECT_EQ(UPDATE_FILE_VERSION_TEXT, commas);
    EXPECT_EQ(UPDATE_PRODUCT_VERSION_TEXT, commas);

    const std::string text = ReadWholeFile(UPDATE_DESKTOP_ENTRY_PATH);
    ASSERT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_EQ(text.find('@'), std::string::npos) << "a value was left unconfigured";
    std::map<std::string, std::string> keys;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            keys[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    const struct Case {
        const char* key;
        std::string value;
    } cases[] = {
        {"Type", "Application"},
        {"Name", UPDATE_PRODUCT_NAME},
        {"Exec", "Update"},
        {"Icon", "update"},
        {"Terminal", "false"},
        {"Categories", "Utility;"},
        {"X-Update-FileVersion", dotted},
        {"X-Update-ProductVersion", dotted},
        {"X-Update-OriginalFilename", UPDATE_ORIGINAL_FILENAME},
        {"X-Update-InternalName", UPDATE_INTERNAL_NAME},
        {"X-Update-Translation", UPDATE_VERSION_TRANSLATION},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keys[c.key], c.value) << c.key;
    }
}

// This program never calls into the stamp; it is in the file only if the build puts it there,
// as it must for the real executable. The texts are assembled here at run time, so finding
// them does not find this test's own literals.
TEST(VersionBlock, StampIsInTheLinkedProgram) {
    std::u16string self;
    ASSERT_GT(GetModuleFileNameW(self, 32768), 0u);
    const std::string program = ReadWholeFile(WideToUtf8(self).c_str());
    ASSERT_FALSE(program.empty());
    const std::string stamps[] = {
        std::string(UPDATE_PRODUCT_NAME) + " version " + UPDATE_FILE_VERSION + " (" +
            UPDATE_ORIGINAL_FILENAME + ")" + '\0',
        std::string("FileVersion=") + UPDATE_FILE_VERSION_TEXT + ";",
        std::string(";Translation=") + UPDATE_VERSION_TRANSLATION + '\0',
    };
    for (const std::string& stamp : stamps) {
        EXPECT_NE(program.find(stamp), std::string::npos) << stamp.c_str();
    }
}
