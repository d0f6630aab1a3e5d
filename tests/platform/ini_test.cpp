#include "platform/ini.h"

#include <climits>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/tools/unique_temp_dir.h"

using namespace std::literals;

namespace {

class IniFile {
public:
    explicit IniFile(const std::string& bytes) {
        std::ofstream(m_dir / "Update.ini", std::ios::binary) << bytes;
    }
    ~IniFile() { std::filesystem::remove_all(m_dir); }
    std::u16string Path() const { return (m_dir / "Update.ini").u16string(); }

private:
    std::filesystem::path m_dir = MakeUniqueTempDir("ini_test_");
};

std::u16string Read(const std::string& bytes, const std::u16string& section,
                    const std::u16string& key) {
    IniFile file(bytes);
    std::u16string out;
    GetPrivateProfileStringW(section, key, u"(default)", out, 1024, file.Path());
    return out;
}

std::string Utf16LeWithBom(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

}  // namespace

TEST(IniReader, Strings) {
    struct Case {
        const char* name;
        std::string file;
        std::u16string expected;  // of Program / AppName
    } cases[] = {
        {"plain", "[Program]\nAppName=Demo\n", u"Demo"},
        {"names ignore case", "[PROGRAM]\nappname=Demo\n", u"Demo"},
        {"blanks trimmed", "  [ Program ]  \n\t AppName \t=  My Demo  \t\n", u"My Demo"},
        {"double quotes", "[Program]\nAppName=\"  My Demo \"\n", u"  My Demo "},
        {"single quotes", "[Program]\nAppName='Demo'\n", u"Demo"},
        {"unmatched quotes kept", "[Program]\nAppName=\"Demo'\n", u"\"Demo'"},
        {"one pair only", "[Program]\nAppName=\"\"Demo\"\"\n", u"\"Demo\""},
        {"comment", "[Program]\n; AppName=Old\n  ;AppName=Older\nAppName=Demo\n", u"Demo"},
        {"first key wins", "[Program]\nAppName=First\nAppName=Second\n", u"First"},
        {"first section wins", "[Program]\nVersion=1\n[Update]\n[Program]\nAppName=Late\n",
         u"(default)"},
        {"other section", "[Update]\nAppName=Demo\n", u"(default)"},
        {"no section", "AppName=Demo\n", u"(default)"},
        {"empty value", "[Program]\nAppName=\n", u""},
        {"value with =", "[Program]\nAppName=a=b\n", u"a=b"},
        {"CRLF", "[Program]\r\nAppName=Demo\r\nVersion=2\r\n", u"Demo"},
        {"no final line end", "[Program]\nAppName=Demo", u"Demo"},
        {"UTF-8",
         "[Program]\nAppName=Gr\xC3\xBC\xC3\x9F"
         "e\n",
         u"Grüße"},
        {"UTF-8 BOM", "\xEF\xBB\xBF[Program]\nAppName=\xE2\x82\xAC\n", u"€"},
        {"Latin-1 bytes",
         "[Program]\nAppName=Gr\xFC\xDF"
         "e\n",
         u"Grüße"},
        {"UTF-16 LE BOM",
         std::string("\xFF\xFE[\0P\0r\0o\0g\0r\0a\0m\0]\0\r\0\n\0A\0p\0p\0N\0a\0m\0e\0=\0\xAC\x20",
                     42),
         u"€"},
        {"empty file", "", u"(default)"},
        {"value ends at NUL", "[Program]\nAppName=De\0mo\n"s, u"De"},
        {"NUL inside quotes", "[Program]\nAppName=\"De\0mo\"\n"s, u"De"},
        {"UTF-16 NUL unit", Utf16LeWithBom(u"[Program]\nAppName=x\0y\n"sv), u"x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.file, u"Program", u"AppName"), c.expected) << c.name;
    }
}

TEST(IniReader, MissingFileGivesDefault) {
    std::u16string out;
    GetPrivateProfileStringW(u"Program", u"AppName", u"none", out, 1024,
                             u"/nonexistent/Update.ini");
    EXPECT_EQ(out, u"none");
}

TEST(IniReader, ValueCutToCapacity) {
    IniFile file("[Update]\nPack1=" + std::string(1500, 'x') + "\n");
    std::u16string out;
    EXPECT_EQ(GetPrivateProfileStringW(u"Update", u"Pack1", u"", out, 1024, file.Path()), 1023u);
    EXPECT_EQ(out, std::u16string(1023, u'x'));
    // The default is cut the same way.
    GetPrivateProfileStringW(u"Update", u"Pack2", u"abcdef", out, 4, file.Path());
    EXPECT_EQ(out, u"abc");
}

TEST(IniReader, Integers) {
    struct Case {
        std::string value;
        int expected;  // with the default 1
    } cases[] = {
        {"3", 3},
        {"  42  ", 42},
        {"+7", 7},
        {"-2", -2},
        {"0", 0},
        {"12abc", 12},
        {"3.9", 3},
        {"abc", 1},
        {"", 1},
        {"-", 1},
        {"+ 5", 1},
        {"\"5\"", 5},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        IniFile file("[Update]\nPackNumber=" + c.value + "\n");
        EXPECT_EQ(GetPrivateProfileIntW(u"Update", u"PackNumber", 1, file.Path()), c.expected)
            << c.value;
    }
    IniFile empty("[Update]\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"Update", u"PackNumber", 1, empty.Path()), 1);
}

TEST(IniReader, KeyNamesOfTheFirstSectionInOrder) {
    IniFile file(
        "[Update]\n Pack2 = b\n;Pack9=c\nPackNumber=3\nnot a key\nPACK1=a\n"
        "[Other]\nPack7=x\n[update]\nPack8=late\n");
    EXPECT_EQ(GetPrivateProfileKeyNames(u"Update", file.Path()),
              (std::vector<std::u16string>{u"Pack2", u"PackNumber", u"PACK1"}));
    EXPECT_TRUE(GetPrivateProfileKeyNames(u"Missing", file.Path()).empty());
    EXPECT_TRUE(GetPrivateProfileKeyNames(u"Update", u"/nonexistent/Update.ini").empty());
}
