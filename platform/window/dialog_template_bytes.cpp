#include "platform/window/dialog_template_bytes.h"

namespace {

// Predefined window class ordinals of the dialog manager.
constexpr uint16_t kButtonClass = 0x0080;
constexpr uint16_t kStaticClass = 0x0082;
constexpr uint16_t kListBoxClass = 0x0083;
constexpr std::u16string_view kProgressClass = u"msctls_progress32";

class TemplateWriter {
public:
    void Word(uint16_t value) { m_units.push_back(value); }
    void Short(int value) { Word(static_cast<uint16_t>(static_cast<int16_t>(value))); }
    void DoubleWord(uint32_t value) {
        Word(static_cast<uint16_t>(value & 0xFFFF));
        Word(static_cast<uint16_t>(value >> 16));
    }
    void Byte2(uint8_t low, uint8_t high) { Word(static_cast<uint16_t>(low | (high << 8))); }
    // A zero-terminated UTF-16 string.
    void String(std::u16string_view text) {
        for (char16_t c : text) Word(c);
        Word(0);
    }
    // 0xFFFF followed by an ordinal, in place of a name.
    void Ordinal(uint16_t ordinal) {
        Word(0xFFFF);
        Word(ordinal);
    }
    // Each item starts on a 4-byte boundary.
    void AlignToDoubleWord() {
        if (m_units.size() % 2 != 0)
            Word(0);
    }
    std::vector<uint16_t> Take() { return std::move(m_units); }

private:
    std::vector<uint16_t> m_units;
};

bool IsTextStatic(const DialogControlTemplate& control) {
    if (control.controlClass != ControlClass::Static)
        return false;
    const uint32_t kind = control.style & SS_TYPEMASK;
    return kind != SS_BITMAP && kind != SS_ETCHEDHORZ;
}

void WriteControl(TemplateWriter& out, const DialogControlTemplate& control,
                  const DialogTemplateBytesOptions& options) {
    out.AlignToDoubleWord();
    out.DoubleWord(0);  // help id
    out.DoubleWord(control.exStyle);
    out.DoubleWord(control.style | (IsTextStatic(control) ? options.extraTextStyle : 0));
    out.Short(control.x);
    out.Short(control.y);
    out.Short(control.cx);
    out.Short(control.cy);
    out.DoubleWord(static_cast<uint32_t>(control.id));  // -1 stays 0xFFFFFFFF: never addressed
    switch (control.controlClass) {
        case ControlClass::Button:
            out.Ordinal(kButtonClass);
            break;
        case ControlClass::Static:
            out.Ordinal(kStaticClass);
            break;
        case ControlClass::ListBox:
            out.Ordinal(kListBoxClass);
            break;
        case ControlClass::Progress:
            out.String(kProgressClass);
            break;
    }
    if (control.controlClass == ControlClass::Static &&
        (control.style & SS_TYPEMASK) == SS_BITMAP) {
        out.Ordinal(static_cast<uint16_t>(control.imageId));
    } else {
        out.String(control.text);
    }
    out.Word(0);  // no creation data
}

}  // namespace

std::vector<uint16_t> BuildDialogTemplateBytes(const DialogTemplate& dialog,
                                               const DialogTemplateBytesOptions& options) {
    TemplateWriter out;
    out.Word(1);        // version
    out.Word(0xFFFF);   // the extended template's signature
    out.DoubleWord(0);  // help id
    out.DoubleWord(dialog.exStyle);
    out.DoubleWord(dialog.style | options.extraDialogStyle);
    out.Word(static_cast<uint16_t>(dialog.controls.size()));
    out.Short(dialog.x);
    out.Short(dialog.y);
    out.Short(dialog.cx);
    out.Short(dialog.cy);
    out.Word(0);  // no menu
    out.Word(0);  // the predefined dialog class
    out.String(dialog.title);
    if (dialog.style & DS_SETFONT) {
        out.Word(static_cast<uint16_t>(dialog.pointSize));
        out.Word(static_cast<uint16_t>(dialog.weight));
        out.Byte2(dialog.italic ? 1 : 0, dialog.charset);
        out.String(dialog.fontFace);
    }
    for (const DialogControlTemplate& control : dialog.controls)
        WriteControl(out, control, options);
    return out.Take();
}
