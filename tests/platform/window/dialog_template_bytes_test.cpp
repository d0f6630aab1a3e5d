// The in-memory dialog template read back the way the Win32 dialog manager walks it: header,
// font, then each control on a 4-byte boundary, with classes and titles as ordinals or names.
#include "platform/window/dialog_template_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "res/resource.h"

namespace {

struct Reader {
    const std::vector<uint16_t>& units;
    size_t at = 0;

    uint16_t Word() { return units.at(at++); }
    uint32_t DoubleWord() {
        const uint32_t low = Word();
        return low | (static_cast<uint32_t>(Word()) << 16);
    }
    int Short() { return static_cast<int16_t>(Word()); }
    std::u16string String() {
        std::u16string text;
        for (uint16_t c = Word(); c != 0; c = Word()) text.push_back(static_cast<char16_t>(c));
        return text;
    }
    // A name, or 0xFFFF and an ordinal.
    std::variant<uint16_t, std::u16string> NameOrOrdinal() {
        if (units.at(at) == 0xFFFF) {
            ++at;
            return Word();
        }
        return String();
    }
};

struct ReadControl {
    uint32_t exStyle, style;
    int x, y, cx, cy;
    uint32_t id;
    std::variant<uint16_t, std::u16string> windowClass, title;
};

TEST(DialogTemplateBytes, UpdateDialogReadsBackAsTheTableSays) {
    const DialogTemplate* dialog = FindDialogTemplate(IDD_UPDATE_DIALOG);
    ASSERT_NE(dialog, nullptr);
    const std::vector<uint16_t> units = BuildDialogTemplateBytes(*dialog, {DS_CENTER, SS_NOPREFIX});
    Reader in{units};

    EXPECT_EQ(in.Word(), 1);       // version
    EXPECT_EQ(in.Word(), 0xFFFF);  // extended template
    EXPECT_EQ(in.DoubleWord(), 0u);
    EXPECT_EQ(in.DoubleWord(), dialog->exStyle);
    EXPECT_EQ(in.DoubleWord(), dialog->style | DS_CENTER);
    ASSERT_EQ(in.Word(), dialog->controls.size());
    EXPECT_EQ(in.Short(), dialog->x);
    EXPECT_EQ(in.Short(), dialog->y);
    EXPECT_EQ(in.Short(), 260);
    EXPECT_EQ(in.Short(), 201);
    EXPECT_EQ(in.Word(), 0);  // no menu
    EXPECT_EQ(in.Word(), 0);  // the predefined dialog class
    EXPECT_EQ(in.String(), u"Update");
    EXPECT_EQ(in.Word(), 9);                     // point size
    EXPECT_EQ(in.Word(), 0);                     // weight
    EXPECT_EQ(in.Word(), DEFAULT_CHARSET << 8);  // not italic; charset
    EXPECT_EQ(in.String(), u"Verdana");

    for (const DialogControlTemplate& expected : dialog->controls) {
        SCOPED_TRACE(expected.id);
        // Every item starts on a 4-byte boundary of the template.
        if (in.at % 2 != 0) {
            EXPECT_EQ(in.Word(), 0);
        }
        EXPECT_EQ(in.DoubleWord(), 0u);  // help id
        ReadControl c{};
        c.exStyle = in.DoubleWord();
        c.style = in.DoubleWord();
        c.x = in.Short();
        c.y = in.Short();
        c.cx = in.Short();
        c.cy = in.Short();
        c.id = in.DoubleWord();
        c.windowClass = in.NameOrOrdinal();
        c.title = in.NameOrOrdinal();
        EXPECT_EQ(in.Word(), 0);  // no creation data

        EXPECT_EQ(c.id, static_cast<uint32_t>(expected.id));
        EXPECT_EQ(c.exStyle, expected.exStyle);
        EXPECT_EQ(c.x, expected.x);
        EXPECT_EQ(c.cy, expected.cy);
        const uint32_t kind = expected.style & SS_TYPEMASK;
        switch (expected.controlClass) {
            case ControlClass::Button:
                EXPECT_EQ(std::get<uint16_t>(c.windowClass), 0x80);
                break;
            case ControlClass::ListBox:
                EXPECT_EQ(std::get<uint16_t>(c.windowClass), 0x83);
                break;
            case ControlClass::Progress:
                EXPECT_EQ(std::get<std::u16string>(c.windowClass), u"msctls_progress32");
                break;
            case ControlClass::Static:
                EXPECT_EQ(std::get<uint16_t>(c.windowClass), 0x82);
                break;
        }
        const bool textStatic = expected.controlClass == ControlClass::Static &&
                                kind != SS_BITMAP && kind != SS_ETCHEDHORZ;
        EXPECT_EQ(c.style, expected.style | (textStatic ? SS_NOPREFIX : 0));
        if (expected.controlClass == ControlClass::Static && kind == SS_BITMAP) {
            EXPECT_EQ(std::get<uint16_t>(c.title), IDB_BANNER);
        } else {
            EXPECT_EQ(std::get<std::u16string>(c.title), expected.text);
        }
    }
    EXPECT_EQ(in.at, units.size());
}

}  // namespace
