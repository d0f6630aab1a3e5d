#include "platform/window/headless/headless_window.h"

#include <thread>

namespace {

// Shortens a one-line static text as the real window does, measuring every unit as an
// average character: 4 dialog units.
void FitControlText(HeadlessControl& c) {
    c.shown = c.text;
    c.tooltip.clear();
    if (c.controlClass != ControlClass::Static || (c.style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP)
        return;
    c.shown =
        FitText(c.text, c.width, [](const CString& t) { return static_cast<int>(t.size()) * 4; });
    if (c.shown != c.text)
        c.tooltip = c.text;
}

struct Done {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
};

}  // namespace

// The DialogWindow face of a HeadlessDialog; its modal loop runs queued tasks in order.
class HeadlessDialogWindow : public DialogWindow {
public:
    HeadlessDialogWindow(HeadlessWindowSystem& system, std::shared_ptr<HeadlessDialog> dialog)
        : m_system(system), m_dialog(std::move(dialog)) {}

    INT_PTR RunModal(DialogHooks& hooks) override {
        HeadlessDialog& d = *m_dialog;
        d.m_hooks = &hooks;
        const BOOL focusFirst = hooks.HandleInitDialog();
        {
            std::lock_guard lock(d.m_mutex);
            if (focusFirst) {
                for (int id : d.m_tabOrder) {
                    const HeadlessControl& c = d.m_controls.at(id);
                    if (c.enabled && c.visible) {
                        d.m_focus = id;
                        break;
                    }
                }
            }
            d.m_started = true;
        }
        {
            std::lock_guard lock(m_system.m_mutex);
            m_system.m_current = m_dialog;
        }
        m_system.m_changed.notify_all();
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(d.m_mutex);
                if (d.m_endRequested)
                    break;
                d.m_queueChanged.wait(lock, [&] { return !d.m_queue.empty(); });
                task = std::move(d.m_queue.front());
                d.m_queue.pop_front();
            }
            task();
        }
        std::lock_guard lock(d.m_mutex);
        d.m_finished = true;
        d.m_queue.clear();
        d.m_hooks = nullptr;
        return d.m_result;
    }

    void EndModal(INT_PTR result) override {
        std::lock_guard lock(m_dialog->m_mutex);
        m_dialog->m_endRequested = true;
        m_dialog->m_result = result;
    }

    bool HasControl(int id) const override { return Control(id) != nullptr; }

    CString GetText(int id) const override {
        std::lock_guard lock(m_dialog->m_mutex);
        if (id == kDialogWindowId)
            return m_dialog->m_title;
        const HeadlessControl* c = m_dialog->Find(id);
        return c ? c->text : CString();
    }

    void SetText(int id, const CString& text) override {
        std::lock_guard lock(m_dialog->m_mutex);
        if (id == kDialogWindowId) {
            m_dialog->m_title = text;
        } else if (HeadlessControl* c = m_dialog->Find(id)) {
            c->text = text;
            FitControlText(*c);
            c->history.push_back(text);
        }
    }

    CString GetToolTip(int id) const override {
        std::lock_guard lock(m_dialog->m_mutex);
        const HeadlessControl* c = m_dialog->Find(id);
        return c ? c->tooltip : CString();
    }

    bool IsEnabled(int id) const override {
        std::lock_guard lock(m_dialog->m_mutex);
        const HeadlessControl* c = m_dialog->Find(id);
        return id == kDialogWindowId || (c && c->enabled);
    }

    void Enable(int id, bool enable) override {
        std::lock_guard lock(m_dialog->m_mutex);
        if (HeadlessControl* c = m_dialog->Find(id))
            c->enabled = enable;
    }

    bool IsVisible(int id) const override {
        std::lock_guard lock(m_dialog->m_mutex);
        const HeadlessControl* c = m_dialog->Find(id);
        return id == kDialogWindowId ? !m_dialog->m_endRequested : (c && c->visible);
    }

    void Show(int id, bool show) override {
        std::lock_guard lock(m_dialog->m_mutex);
        if (HeadlessControl* c = m_dialog->Find(id))
            c->visible = show;
    }

    int AddListRow(int id, const CString& text) override {
        std::lock_guard lock(m_dialog->m_mutex);
        HeadlessControl* c = m_dialog->Find(id);
        if (!c || c->controlClass != ControlClass::ListBox)
            return -1;
        c->rows.push_back(text);
        return static_cast<int>(c->rows.size()) - 1;
    }

    void SetProgressRange(int id, int lower, int upper) override {
        std::lock_guard lock(m_dialog->m_mutex);
        if (HeadlessControl* c = m_dialog->Find(id))
            c->lower = lower, c->upper = upper;
    }

    int SetProgressPos(int id, int pos) override {
        std::lock_guard lock(m_dialog->m_mutex);
        HeadlessControl* c = m_dialog->Find(id);
        if (!c)
            return 0;
        const int previous = c->pos;
        c->pos = pos;
        return previous;
    }

    void Post(std::function<void()> task) override { m_dialog->Enqueue(std::move(task)); }

private:
    const HeadlessControl* Control(int id) const {
        std::lock_guard lock(m_dialog->m_mutex);
        return m_dialog->Find(id);
    }

    HeadlessWindowSystem& m_system;
    std::shared_ptr<HeadlessDialog> m_dialog;
};

HeadlessDialog::HeadlessDialog(const DialogTemplate& dialog) : m_title(dialog.title) {
    for (const DialogControlTemplate& t : dialog.controls) {
        if (t.id == -1)
            continue;
        HeadlessControl c;
        c.controlClass = t.controlClass;
        c.style = t.style;
        c.text = CString(t.text);
        c.width = t.cx;
        FitControlText(c);
        c.enabled = (t.style & WS_DISABLED) == 0;
        c.visible = (t.style & WS_VISIBLE) != 0;
        m_controls[t.id] = c;
        if (t.style & WS_TABSTOP)
            m_tabOrder.push_back(t.id);
    }
}

HeadlessControl* HeadlessDialog::Find(int id) {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

const HeadlessControl* HeadlessDialog::Find(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

bool HeadlessDialog::Enqueue(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        if (m_finished)
            return false;
        m_queue.push_back(std::move(task));
    }
    m_queueChanged.notify_all();
    return true;
}

bool HeadlessDialog::RunCommand(const std::function<void()>& command) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_started || m_endRequested)
            return false;
    }
    auto done = std::make_shared<Done>();
    const bool queued = Enqueue([this, done, command] {
        bool run = false;
        {
            std::lock_guard lock(m_mutex);
            run = !m_endRequested && m_hooks;
        }
        if (run)
            command();
        std::lock_guard lock(done->mutex);
        done->done = true;
        done->changed.notify_all();
    });
    if (!queued)
        return false;
    std::unique_lock lock(done->mutex);
    // The task runs unless the loop ends first; then Enqueue's queue is dropped and we stop.
    while (!done->done) {
        done->changed.wait_for(lock, std::chrono::milliseconds(20));
        std::lock_guard stateLock(m_mutex);
        if (m_finished && !done->done)
            return false;
    }
    return true;
}

bool HeadlessDialog::Click(int id) {
    return RunCommand([this, id] {
        bool clickable = false;
        {
            std::lock_guard lock(m_mutex);
            const HeadlessControl* c = Find(id);
            clickable = c && c->controlClass == ControlClass::Button && c->enabled && c->visible;
            if (clickable)
                m_focus = id;
        }
        if (clickable)
            m_hooks->HandleCommand(id);
    });
}

bool HeadlessDialog::PressEnter() {
    return RunCommand([this] {
        int command = 0;
        {
            std::lock_guard lock(m_mutex);
            const HeadlessControl* focused = Find(m_focus);
            const HeadlessControl* ok = Find(IDOK);
            if (focused && focused->controlClass == ControlClass::Button && focused->enabled &&
                focused->visible) {
                command = m_focus;
            } else if (ok && ok->enabled) {
                command = IDOK;
            }
        }
        if (command)
            m_hooks->HandleCommand(command);
    });
}

bool HeadlessDialog::PressEscape() {
    return RunCommand([this] { m_hooks->HandleCommand(IDCANCEL); });
}

bool HeadlessDialog::CloseBox() {
    return RunCommand([this] { m_hooks->HandleCommand(IDCANCEL); });
}

bool HeadlessDialog::SetFocus(int id) {
    return RunCommand([this, id] {
        std::lock_guard lock(m_mutex);
        const HeadlessControl* c = Find(id);
        if (c && c->enabled && c->visible)
            m_focus = id;
    });
}

void HeadlessDialog::Abandon() {
    Enqueue([this] {
        std::lock_guard lock(m_mutex);
        m_endRequested = true;
    });
}

CString HeadlessDialog::Title() const {
    std::lock_guard lock(m_mutex);
    return m_title;
}

CString HeadlessDialog::Text(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c ? c->text : CString();
}

CString HeadlessDialog::ShownText(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c ? c->shown : CString();
}

CString HeadlessDialog::ToolTip(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c ? c->tooltip : CString();
}

bool HeadlessDialog::IsEnabled(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c && c->enabled;
}

bool HeadlessDialog::IsVisible(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c && c->visible;
}

std::vector<CString> HeadlessDialog::Rows(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c ? c->rows : std::vector<CString>();
}

std::vector<CString> HeadlessDialog::TextHistory(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c ? c->history : std::vector<CString>();
}

std::pair<int, int> HeadlessDialog::Range(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c ? std::pair(c->lower, c->upper) : std::pair(0, 0);
}

int HeadlessDialog::Pos(int id) const {
    std::lock_guard lock(m_mutex);
    const HeadlessControl* c = Find(id);
    return c ? c->pos : 0;
}

int HeadlessDialog::Focus() const {
    std::lock_guard lock(m_mutex);
    return m_focus;
}

bool HeadlessDialog::HasEnded() const {
    std::lock_guard lock(m_mutex);
    return m_endRequested;
}

INT_PTR HeadlessDialog::Result() const {
    std::lock_guard lock(m_mutex);
    return m_result;
}

bool HeadlessDialog::WaitFor(const std::function<bool(const HeadlessDialog&)>& condition,
                             std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition(*this)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool HeadlessDialog::WaitUntilEnded(std::chrono::milliseconds timeout) const {
    return WaitFor([](const HeadlessDialog& d) { return d.HasEnded(); }, timeout);
}

std::unique_ptr<DialogWindow> HeadlessWindowSystem::CreateDialogWindow(
    const DialogTemplate& dialog) {
    return std::make_unique<HeadlessDialogWindow>(*this, std::make_shared<HeadlessDialog>(dialog));
}

int HeadlessWindowSystem::MessageBox(const CString& text, const CString& caption, UINT) {
    std::lock_guard lock(m_mutex);
    m_messageBoxes.emplace_back(text, caption);
    return IDOK;
}

std::shared_ptr<HeadlessDialog> HeadlessWindowSystem::WaitForDialog(
    std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [&] { return m_current != nullptr; });
    return m_current;
}

std::vector<std::pair<CString, CString>> HeadlessWindowSystem::MessageBoxes() const {
    std::lock_guard lock(m_mutex);
    return m_messageBoxes;
}
