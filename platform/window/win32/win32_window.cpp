#include "platform/window/win32/win32_window.h"

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "platform/window/dialog_template_bytes.h"
#include "platform/window/fit_text.h"
// After our headers: its constants are macros of the same names as our declarations.
#include "platform/window/win32/common_controls.h"
#undef MessageBox

namespace {

// The program's own messages to its dialog window. lParam of the sent one is a task on the
// sender's stack; of the posted one a task on the heap that the message owns.
constexpr UINT kRunSentTask = WM_APP + 0x100;
constexpr UINT kRunPostedTask = WM_APP + 0x101;

const wchar_t* Wide(const CString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

CString WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    return FromWide(text.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

bool IsTextStatic(const DialogControlTemplate& control) {
    const uint32_t kind = control.style & SS_TYPEMASK;
    return control.controlClass == ControlClass::Static && kind != SS_BITMAP &&
           kind != SS_ETCHEDHORZ;
}

// A device context of a control with the control's font selected, released on leaving.
class ControlDC {
public:
    explicit ControlDC(HWND control) : m_control(control), m_dc(GetDC(control)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        if (m_dc && font)
            m_oldFont = SelectObject(m_dc, font);
    }
    ~ControlDC() {
        if (!m_dc)
            return;
        if (m_oldFont)
            SelectObject(m_dc, m_oldFont);
        ReleaseDC(m_control, m_dc);
    }
    ControlDC(const ControlDC&) = delete;
    ControlDC& operator=(const ControlDC&) = delete;

    int Width(const CString& text) const {
        SIZE size{};
        if (!m_dc || !GetTextExtentPoint32W(m_dc, Wide(text), static_cast<int>(text.size()), &size))
            return 0;
        return size.cx;
    }
    // The extent of `text` wrapped at word boundaries to `width`.
    RECT Wrapped(const CString& text, int width) const {
        RECT r{0, 0, width, 0};
        if (m_dc) {
            DrawTextW(m_dc, Wide(text), static_cast<int>(text.size()), &r,
                      DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        }
        return r;
    }

private:
    HWND m_control;
    HDC m_dc;
    HGDIOBJ m_oldFont = nullptr;
};

// Where the synchronous sender finds the dialog: set while its window exists. Shared, so
// that a sender kept by another thread outlives the window object safely.
struct SendTarget {
    std::atomic<HWND> window{nullptr};
};

class Win32DialogWindow : public DialogWindow {
public:
    Win32DialogWindow(const DialogTemplate& dialog, HINSTANCE instance, int iconId,
                      std::atomic<void*>& running)
        : m_template(dialog), m_instance(instance), m_iconId(iconId), m_running(running) {}

    INT_PTR RunModal(DialogHooks& hooks) override {
        m_hooks = &hooks;
        DialogTemplateBytesOptions options;
        if (m_template.x == 0 && m_template.y == 0)
            options.extraDialogStyle = DS_CENTER;
        // Texts are shown as set ('&' is no mnemonic); mouse messages reach their tooltips.
        options.extraTextStyle = SS_NOPREFIX | SS_NOTIFY;
        const std::vector<uint16_t> bytes = BuildDialogTemplateBytes(m_template, options);
        const INT_PTR result =
            DialogBoxIndirectParamW(m_instance, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                    nullptr, &DialogProc, reinterpret_cast<LPARAM>(this));
        m_target->window.store(nullptr);
        ReleaseLateMessages();
        m_hooks = nullptr;
        return result;
    }

    void EndModal(INT_PTR result) override {
        if (m_hwnd)
            ::EndDialog(m_hwnd, result);
    }

    bool HasControl(int id) const override { return Control(id) != nullptr; }

    CString GetText(int id) const override {
        if (id == kDialogWindowId)
            return m_hwnd ? WindowText(m_hwnd) : CString();
        if (auto it = m_texts.find(id); it != m_texts.end())
            return it->second.whole;
        HWND c = Control(id);
        return c ? WindowText(c) : CString();
    }

    void SetText(int id, const CString& text) override {
        if (id == kDialogWindowId) {
            if (m_hwnd)
                SetWindowTextW(m_hwnd, Wide(text));
            return;
        }
        if (auto it = m_texts.find(id); it != m_texts.end()) {
            it->second.whole = text;
            ShowText(id, it->second);
            return;
        }
        const ControlClass kind = ClassOf(id);
        if (HWND c = Control(id);
            c && kind != ControlClass::ListBox && kind != ControlClass::Progress) {
            SetWindowTextW(c, Wide(text));
        }
    }

    CString GetToolTip(int id) const override {
        auto it = m_texts.find(id);
        return it == m_texts.end() ? CString() : it->second.tooltip;
    }

    bool IsEnabled(int id) const override {
        HWND c = id == kDialogWindowId ? m_hwnd : Control(id);
        return c && IsWindowEnabled(c);
    }

    void Enable(int id, bool enable) override {
        HWND c = Control(id);
        if (!c)
            return;
        if (!enable)
            KeepKeyboardFocus(c);
        EnableWindow(c, enable ? TRUE : FALSE);
    }

    bool IsVisible(int id) const override {
        HWND c = id == kDialogWindowId ? m_hwnd : Control(id);
        return c && IsWindowVisible(c);
    }

    void Show(int id, bool show) override {
        HWND c = Control(id);
        if (!c)
            return;
        if (!show)
            KeepKeyboardFocus(c);
        ShowWindow(c, show ? SW_SHOW : SW_HIDE);
    }

    int AddListRow(int id, const CString& text) override {
        HWND c = ClassOf(id) == ControlClass::ListBox ? Control(id) : nullptr;
        if (!c)
            return -1;
        const LRESULT index =
            SendMessageW(c, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text)));
        return index < 0 ? -1 : static_cast<int>(index);
    }

    void SetProgressRange(int id, int lower, int upper) override {
        if (HWND c = ClassOf(id) == ControlClass::Progress ? Control(id) : nullptr)
            SendMessageW(c, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
    }

    int SetProgressPos(int id, int pos) override {
        HWND c = ClassOf(id) == ControlClass::Progress ? Control(id) : nullptr;
        return c ? static_cast<int>(SendMessageW(c, PBM_SETPOS, static_cast<WPARAM>(pos), 0)) : 0;
    }

    void Post(std::function<void()> task) override {
        auto owned = std::make_unique<std::function<void()>>(std::move(task));
        std::lock_guard lock(m_earlyMutex);
        HWND window = m_target->window.load();
        if (!window) {
            // Before the window exists: posted as soon as it does.
            m_early.push_back(std::move(owned));
            return;
        }
        if (PostMessageW(window, kRunPostedTask, 0, reinterpret_cast<LPARAM>(owned.get())))
            owned.release();  // the message owns it now
    }

    Sender SynchronousSender() override {
        return [target = m_target](const std::function<void()>& task) {
            // Returns at once when the window is gone, also when it goes while the message
            // waits: the dialog thread answers what is still queued after its modal loop.
            if (HWND window = target->window.load())
                SendMessageW(window, kRunSentTask, 0, reinterpret_cast<LPARAM>(&task));
        };
    }

private:
    struct TextState {
        CString whole;
        CString tooltip;  // the whole text while it does not fit, else empty
        bool oneLine = false;
    };

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
            SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            return self->OnInitDialog(hwnd);
        }
        auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
        return self ? self->Handle(message, wParam, lParam) : FALSE;
    }

    INT_PTR OnInitDialog(HWND hwnd) {
        m_hwnd = hwnd;
        m_running.store(hwnd);
        for (const DialogControlTemplate& t : m_template.controls) {
            if (t.id == -1)
                continue;
            if (HWND c = GetDlgItem(hwnd, t.id))
                m_controls[t.id] = {c, t.controlClass};
            if (IsTextStatic(t))
                m_texts[t.id] = TextState{CString(t.text), CString(),
                                          (t.style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP};
        }
        SetIcons();
        CreateToolTips();
        for (auto& [id, state] : m_texts) ShowText(id, state);
        {
            std::lock_guard lock(m_earlyMutex);
            m_target->window.store(hwnd);
            for (auto& task : m_early) {
                if (PostMessageW(hwnd, kRunPostedTask, 0, reinterpret_cast<LPARAM>(task.get())))
                    task.release();
            }
            m_early.clear();
        }
        // TRUE lets the dialog manager focus the first tab stop.
        return m_hooks->HandleInitDialog();
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND:
                // Clicks, Enter and Escape; the list box's notifications are not commands.
                if (HIWORD(wParam) == BN_CLICKED && m_hooks)
                    m_hooks->HandleCommand(LOWORD(wParam));
                return TRUE;
            case WM_CLOSE:
                // The close box is the cancel command; the window stays unless that ends it.
                if (m_hooks)
                    m_hooks->HandleCommand(IDCANCEL);
                return TRUE;
            case kRunSentTask:
                (*reinterpret_cast<const std::function<void()>*>(lParam))();
                return TRUE;
            case kRunPostedTask: {
                std::unique_ptr<std::function<void()>> task(
                    reinterpret_cast<std::function<void()>*>(lParam));
                (*task)();
                return TRUE;
            }
            case WM_DESTROY:
                m_target->window.store(nullptr);
                m_running.store(nullptr);
                if (m_toolTip)
                    DestroyWindow(m_toolTip);
                m_toolTip = nullptr;
                return FALSE;
            default:
                return FALSE;
        }
    }

    // After the modal loop: answers the sends that reached the thread before the window went
    // (they find no window and return 0 to their senders) and frees the tasks still posted.
    void ReleaseLateMessages() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, kRunPostedTask, kRunPostedTask, PM_REMOVE)) {
            delete reinterpret_cast<std::function<void()>*>(msg.lParam);
        }
        std::lock_guard lock(m_earlyMutex);
        m_early.clear();
        m_hwnd = nullptr;
    }

    void SetIcons() {
        HICON big = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(m_iconId),
                                                  IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_SHARED));
        HICON small = static_cast<HICON>(LoadImageW(m_instance, MAKEINTRESOURCEW(m_iconId),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        if (big)
            SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        if (small)
            SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    }

    void CreateToolTips() {
        m_toolTip =
            CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, m_instance, nullptr);
        if (!m_toolTip)
            return;
        // Long paths wrap in the tip instead of running off the screen.
        SendMessageW(m_toolTip, TTM_SETMAXTIPWIDTH, 0, 480);
        for (auto& [id, state] : m_texts) {
            TOOLINFOW info = ToolInfo(id);
            info.lpszText = const_cast<wchar_t*>(L"");
            SendMessageW(m_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        }
    }

    TOOLINFOW ToolInfo(int id) const {
        TOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = m_hwnd;
        info.uId = reinterpret_cast<UINT_PTR>(Control(id));
        return info;
    }

    // Shows a static text as much as fits: one line shortened with an ellipsis, or wrapped
    // and cut at the bottom by the control; the tooltip then holds the whole text.
    void ShowText(int id, TextState& state) {
        HWND c = Control(id);
        if (!c)
            return;
        RECT client{};
        GetClientRect(c, &client);
        bool shortened = false;
        {
            const ControlDC dc(c);
            if (state.oneLine) {
                const CString line = state.whole.substr(0, state.whole.find(u'\n'));
                const CString shown =
                    FitText(line, client.right, [&dc](const CString& t) { return dc.Width(t); });
                SetWindowTextW(c, Wide(shown));
                shortened = line != state.whole || shown != line;
            } else {
                SetWindowTextW(c, Wide(state.whole));
                const RECT needed = dc.Wrapped(state.whole, client.right);
                shortened = needed.bottom > client.bottom || needed.right > client.right;
            }
        }
        state.tooltip = shortened ? state.whole : CString();
        if (m_toolTip) {
            TOOLINFOW info = ToolInfo(id);
            info.lpszText = const_cast<wchar_t*>(Wide(state.tooltip));
            SendMessageW(m_toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
        }
    }

    // A control that is disabled or hidden while it has the focus would leave the dialog
    // without one, and then without Enter and Escape; the focus goes to another tab stop that
    // is no push button, so that Enter keeps giving the default command.
    void KeepKeyboardFocus(HWND leaving) {
        if (GetFocus() != leaving)
            return;
        for (const DialogControlTemplate& t : m_template.controls) {
            HWND c = Control(t.id);
            if (c && c != leaving && (t.style & WS_TABSTOP) &&
                t.controlClass != ControlClass::Button && IsWindowEnabled(c) &&
                IsWindowVisible(c)) {
                SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
                return;
            }
        }
        SetFocus(m_hwnd);
    }

    HWND Control(int id) const {
        auto it = m_controls.find(id);
        return it == m_controls.end() ? nullptr : it->second.window;
    }
    ControlClass ClassOf(int id) const {
        auto it = m_controls.find(id);
        return it == m_controls.end() ? ControlClass::Static : it->second.controlClass;
    }

    struct ControlEntry {
        HWND window;
        ControlClass controlClass;
    };

    const DialogTemplate& m_template;
    HINSTANCE m_instance;
    const int m_iconId;
    std::atomic<void*>& m_running;
    HWND m_hwnd = nullptr;
    HWND m_toolTip = nullptr;
    std::map<int, ControlEntry> m_controls;
    std::map<int, TextState> m_texts;
    DialogHooks* m_hooks = nullptr;
    std::shared_ptr<SendTarget> m_target = std::make_shared<SendTarget>();
    std::mutex m_earlyMutex;  // guards m_early against Post from other threads
    std::vector<std::unique_ptr<std::function<void()>>> m_early;
};

}  // namespace

Win32WindowSystem::Win32WindowSystem(void* instance, int iconId)
    : m_instance(instance), m_iconId(iconId) {}

std::unique_ptr<DialogWindow> Win32WindowSystem::CreateDialogWindow(const DialogTemplate& dialog) {
    return std::make_unique<Win32DialogWindow>(dialog, static_cast<HINSTANCE>(m_instance), m_iconId,
                                               m_runningDialog);
}

int Win32WindowSystem::MessageBox(const CString& text, const CString& caption, UINT type) {
    MessageBoxW(static_cast<HWND>(m_runningDialog.load()), Wide(text), Wide(caption),
                MB_OK | (type & MB_ICONWARNING));
    return IDOK;
}
