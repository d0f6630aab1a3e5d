#include "platform/window/wx/wx_window.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/fontenum.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/mstream.h>
#include <wx/statbmp.h>
#include <wx/statline.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/window/wx/text_label.h"

namespace {

class FrameworkApp : public wxApp {
public:
    // The program takes no command line; the application object does all the work.
    bool OnInit() override { return true; }
};

wxString ToWx(const CString& text) {
    return wxString::FromUTF8(WideToUtf8(text));
}
CString FromWx(const wxString& text) {
    return Utf8ToWide(text.utf8_string());
}

// The face of the template's font where installed, else the closest sans-serif face.
wxFont TemplateFont(const DialogTemplate& dialog) {
    const wxString wanted = ToWx(CString(dialog.fontFace));
    wxFontInfo info(dialog.pointSize);
    info.Family(wxFONTFAMILY_SWISS).Italic(dialog.italic);
    if (dialog.weight >= 700)
        info.Bold();
    if (wxFontEnumerator::IsValidFacename(wanted)) {
        info.FaceName(wanted);
    } else if (wxFontEnumerator::IsValidFacename("DejaVu Sans")) {
        info.FaceName("DejaVu Sans");  // drawn to Verdana's proportions
    }
    return wxFont(info);
}

// Dialog units to pixels, by the rule of the dialog's font: a horizontal unit is a quarter of
// the font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    DialogUnits(wxWindow& window, const wxFont& font) {
        wxClientDC dc(&window);
        dc.SetFont(font);
        const wxSize extent =
            dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_baseX = (extent.x / 26 + 1) / 2;
        m_baseY = dc.GetCharHeight();
    }
    int X(int units) const { return (units * m_baseX + 2) / 4; }
    int Y(int units) const { return (units * m_baseY + 4) / 8; }

private:
    int m_baseX;
    int m_baseY;
};

wxBitmap LoadBitmapResource(int id) {
    const auto bytes = FindBitmapResource(id);
    if (bytes.empty())
        return wxBitmap();
    wxMemoryInputStream stream(bytes.data(), bytes.size());
    wxImage image(stream, wxBITMAP_TYPE_BMP);
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

class WxDialogWindow : public DialogWindow {
public:
    explicit WxDialogWindow(const DialogTemplate& dialog) : m_template(dialog) {}

    ~WxDialogWindow() override {
        if (m_dialog)
            m_dialog->Destroy();
    }

    INT_PTR RunModal(DialogHooks& hooks) override {
        m_hooks = &hooks;
        Build();
        const BOOL focusFirst = hooks.HandleInitDialog();
        if (focusFirst)
            FocusFirstTabStop();
        const int result = m_dialog->ShowModal();
        m_hooks = nullptr;
        return result;
    }

    void EndModal(INT_PTR result) override {
        if (m_dialog->IsModal())
            m_dialog->EndModal(static_cast<int>(result));
    }

    bool HasControl(int id) const override { return m_controls.count(id) != 0; }

    CString GetText(int id) const override {
        if (id == kDialogWindowId)
            return FromWx(m_dialog->GetTitle());
        wxWindow* c = Control(id);
        return c ? FromWx(c->GetLabel()) : CString();
    }

    void SetText(int id, const CString& text) override {
        if (id == kDialogWindowId) {
            m_dialog->SetTitle(ToWx(text));
        } else if (wxWindow* c = Control(id)) {
            if (dynamic_cast<wxListBox*>(c) || dynamic_cast<wxGauge*>(c))
                return;
            c->SetLabel(ToWx(text));
        }
    }

    CString GetToolTip(int id) const override {
        auto* label = dynamic_cast<TextLabel*>(Control(id));
        return label ? FromWx(label->GetToolTipText()) : CString();
    }

    bool IsEnabled(int id) const override {
        wxWindow* c = id == kDialogWindowId ? m_dialog : Control(id);
        return c && c->IsEnabled();
    }

    void Enable(int id, bool enable) override {
        wxWindow* c = Control(id);
        if (!c)
            return;
        if (!enable)
            KeepKeyboardFocus(*c);
        c->Enable(enable);
    }

    bool IsVisible(int id) const override {
        wxWindow* c = id == kDialogWindowId ? m_dialog : Control(id);
        return c && c->IsShown();
    }

    void Show(int id, bool show) override {
        wxWindow* c = Control(id);
        if (!c)
            return;
        if (!show)
            KeepKeyboardFocus(*c);
        c->Show(show);
    }

    int AddListRow(int id, const CString& text) override {
        auto* list = dynamic_cast<wxListBox*>(Control(id));
        return list ? list->Append(ToWx(text)) : -1;
    }

    void SetProgressRange(int id, int lower, int upper) override {
        auto* gauge = dynamic_cast<wxGauge*>(Control(id));
        if (!gauge)
            return;
        Progress& p = m_progress[id];
        p.lower = lower;
        p.upper = upper;
        gauge->SetRange(upper > lower ? upper - lower : 0);
        ShowProgress(*gauge, p);
    }

    int SetProgressPos(int id, int pos) override {
        auto* gauge = dynamic_cast<wxGauge*>(Control(id));
        if (!gauge)
            return 0;
        Progress& p = m_progress[id];
        const int previous = p.pos;
        p.pos = pos;
        ShowProgress(*gauge, p);
        return previous;
    }

    void Post(std::function<void()> task) override {
        wxTheApp->CallAfter([task = std::move(task)] { task(); });
    }

private:
    struct Progress {
        int lower = 0;
        int upper = 100;  // a progress bar's default range
        int pos = 0;
    };

    // The bar shows the position within the range; positions outside are held at its ends.
    static void ShowProgress(wxGauge& gauge, const Progress& p) {
        if (p.upper <= p.lower) {
            gauge.SetValue(0);
            return;
        }
        const long long offset = static_cast<long long>(p.pos) - p.lower;
        gauge.SetValue(static_cast<int>(std::clamp<long long>(offset, 0, p.upper - p.lower)));
    }

    wxWindow* Control(int id) const {
        auto it = m_controls.find(id);
        return it == m_controls.end() ? nullptr : it->second;
    }

    void Build() {
        // No resize border, no minimise or maximise box; a close box.
        m_dialog =
            new wxDialog(nullptr, wxID_ANY, ToWx(CString(m_template.title)), wxDefaultPosition,
                         wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
        const wxFont font = TemplateFont(m_template);
        m_dialog->SetFont(font);
        const DialogUnits units(*m_dialog, font);
        for (const DialogControlTemplate& t : m_template.controls) {
            const wxPoint pos(units.X(t.x), units.Y(t.y));
            const wxSize size(units.X(t.cx), units.Y(t.cy));
            wxWindow* control = CreateControl(t, pos, size);
            if (!control)
                continue;
            if (!(t.style & WS_VISIBLE))
                control->Hide();
            if (t.style & WS_DISABLED)
                control->Disable();
            if (t.id != -1)
                m_controls[t.id] = control;
        }
        m_dialog->SetClientSize(units.X(m_template.cx), units.Y(m_template.cy));
        if (m_template.x == 0 && m_template.y == 0)
            m_dialog->Centre(wxBOTH);
        m_dialog->Bind(wxEVT_CHAR_HOOK, &WxDialogWindow::OnCharHook, this);
        m_dialog->Bind(wxEVT_CLOSE_WINDOW, &WxDialogWindow::OnClose, this);
    }

    wxWindow* CreateControl(const DialogControlTemplate& t, const wxPoint& pos,
                            const wxSize& size) {
        const wxWindowID id = t.id == -1 ? wxID_ANY : t.id;
        const wxString text = ToWx(CString(t.text));
        switch (t.controlClass) {
            case ControlClass::Button: {
                auto* button = new wxButton(m_dialog, id, text, pos, size);
                if (t.style & BS_DEFPUSHBUTTON)
                    button->SetDefault();
                button->Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { Command(id); });
                return button;
            }
            case ControlClass::ListBox: {
                const long border =
                    (t.exStyle & WS_EX_STATICEDGE) ? wxBORDER_SIMPLE : wxBORDER_NONE;
                return new wxListBox(m_dialog, id, pos, size, 0, nullptr,
                                     wxLB_SINGLE | wxLB_NEEDED_SB | border);
            }
            case ControlClass::Progress:
                return new wxGauge(m_dialog, id, 100, pos, size, wxGA_HORIZONTAL | wxGA_SMOOTH);
            case ControlClass::Static:
                break;
        }
        const uint32_t kind = t.style & SS_TYPEMASK;
        if (kind == SS_BITMAP) {
            // Shown at the bitmap's own pixel size from the control's corner, never scaled.
            const wxBitmap bitmap = LoadBitmapResource(t.imageId);
            const wxSize real = bitmap.IsOk() ? bitmap.GetSize() : size;
            return new wxStaticBitmap(m_dialog, id, bitmap, pos, real);
        }
        if (kind == SS_ETCHEDHORZ) {
            return new wxStaticLine(m_dialog, id, pos, wxSize(size.x, -1), wxLI_HORIZONTAL);
        }
        return new TextLabel(m_dialog, id, text, pos, size, t.style);
    }

    void FocusFirstTabStop() {
        for (const DialogControlTemplate& t : m_template.controls) {
            wxWindow* c = Control(t.id);
            if ((t.style & WS_TABSTOP) && c && c->IsEnabled() && c->IsShown()) {
                c->SetFocus();
                return;
            }
        }
    }

    // A control that is disabled or hidden while it has the focus would leave the dialog
    // without one, and then without Enter and Escape; the focus goes to another tab stop
    // that is no push button, so Enter keeps giving the default command.
    void KeepKeyboardFocus(wxWindow& leaving) {
        if (wxWindow::FindFocus() != &leaving)
            return;
        for (const DialogControlTemplate& t : m_template.controls) {
            wxWindow* c = Control(t.id);
            if (c && c != &leaving && (t.style & WS_TABSTOP) && !dynamic_cast<wxButton*>(c) &&
                c->IsEnabled() && c->IsShown()) {
                c->SetFocus();
                return;
            }
        }
        m_dialog->SetFocus();
    }

    void Command(int id) {
        if (m_hooks)
            m_hooks->HandleCommand(id);
    }

    // Escape gives the cancel command always; Enter gives the focused push button's command,
    // else the OK command while the OK button is enabled.
    void OnCharHook(wxKeyEvent& event) {
        const int key = event.GetKeyCode();
        if (key == WXK_ESCAPE) {
            Command(IDCANCEL);
            return;
        }
        if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
            wxWindow* focused = wxWindow::FindFocus();
            auto* button = dynamic_cast<wxButton*>(focused);
            if (button && button->IsEnabled() && button->IsShown()) {
                Command(button->GetId());
            } else if (wxWindow* ok = Control(IDOK); ok && ok->IsEnabled()) {
                Command(IDOK);
            }
            return;
        }
        event.Skip();
    }

    // The close box is the cancel command; the window stays unless that ends the dialog.
    void OnClose(wxCloseEvent& event) {
        if (!event.CanVeto()) {
            EndModal(IDCANCEL);
            return;
        }
        event.Veto();
        Command(IDCANCEL);
    }

    const DialogTemplate& m_template;
    wxDialog* m_dialog = nullptr;
    std::map<int, wxWindow*> m_controls;
    std::map<int, Progress> m_progress;
    DialogHooks* m_hooks = nullptr;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(FrameworkApp);

WxWindowSystem::WxWindowSystem(int argc, char** argv) : m_argc(argc), m_argv(argv) {}

WxWindowSystem::~WxWindowSystem() {
    if (m_state == State::Running) {
        wxTheApp->OnExit();
        wxEntryCleanup();
    }
}

bool WxWindowSystem::EnsureStarted() {
    if (m_state == State::NotStarted) {
        // The dialog draws nothing with OpenGL; without this GDK loads the GL driver (with a
        // software one, LLVM: some 50 MiB) only to choose a visual. A user's setting stands.
        setenv("GDK_GL", "disable", 0);
        const bool started = wxEntryStart(m_argc, m_argv) && wxTheApp && wxTheApp->CallOnInit();
        m_state = started ? State::Running : State::Failed;
        if (!started)
            std::fprintf(stderr, "Update: the display cannot be opened\n");
    }
    return m_state == State::Running;
}

std::unique_ptr<DialogWindow> WxWindowSystem::CreateDialogWindow(const DialogTemplate& dialog) {
    if (!EnsureStarted())
        return nullptr;
    return std::make_unique<WxDialogWindow>(dialog);
}

int WxWindowSystem::MessageBox(const CString& text, const CString& caption, UINT) {
    if (!EnsureStarted())
        return IDOK;
    wxWindow* parent = wxTheApp->GetTopWindow();
    for (wxWindow* w : wxTopLevelWindows) {
        if (auto* dialog = dynamic_cast<wxDialog*>(w); dialog && dialog->IsModal())
            parent = dialog;
    }
    wxMessageBox(ToWx(text), ToWx(caption), wxOK | wxICON_WARNING, parent);
    return IDOK;
}
