#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, Cp437) {
    EXPECT_EQ(Cp437ToWide("plain/name.txt"), u"plain/name.txt");
    EXPECT_EQ(Cp437ToWide("\x80\x82\x9E\xB3\xE1\xFF"), u"\u00C7\u00E9\u20A7\u2502\u00DF\u00A0");
}

TEST(Codepage, ZipNames) {
    struct Case {
        std::string bytes;
        bool utf8Flag;
        std::u16string wide;
    } cases[] = {
        {"caf\xC3\xA9", true, u"caf\u00E9"},
        {"caf\xC3\xA9", false, u"caf\u00E9"},  // valid UTF-8 is taken as UTF-8
        {"caf\x82", false, u"caf\u00E9"},      // otherwise CP437
        {"caf\x82", true, u"caf\uFFFD"},       // bit 11 with bytes that are not UTF-8
        {"\xE2\x82\xAC", false, u"\u20AC"},
        {"", false, u""},
    };
    for (const Case& c : cases) EXPECT_EQ(ZipNameToWide(c.bytes, c.utf8Flag), c.wide) << c.bytes;
}

}  // namespace
