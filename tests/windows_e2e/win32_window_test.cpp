// The Win32 window back end in-process, under Wine and a private Xvfb, with the program's own
// dialog template: hand-overs from another thread through SendMessageW while the dialog
// ends, and static texts shortened to their controls with the whole text as tooltip.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "platform/window/dialog.h"
#include "platform/window/fit_text.h"
#include "platform/window/win32/win32_window.h"
#include "res/resource.h"
// After our headers: its constants are macros of the same names as our declarations.
#include "platform/win32/windows_api.h"

namespace {

using namespace std::chrono_literals;

// The update dialog's template with a test's own start.
class TemplateDialog : public CDialog {
public:
    explicit TemplateDialog(std::function<void(TemplateDialog&)> onInit)
        : CDialog(IDD_UPDATE_DIALOG), m_onInit(std::move(onInit)) {}

    // Runs `op` with the window on the dialog thread, from any thread; false once it ended.
    bool With(const DialogSession::Operation& op) { return Session()->Invoke(op); }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_onInit(*this);
        return TRUE;
    }

private:
    std::function<void(TemplateDialog&)> m_onInit;
};

class Win32Window : public testing::Test {
protected:
    void SetUp() override { SetWindowSystem(&m_system); }
    void TearDown() override { SetWindowSystem(nullptr); }

    Win32WindowSystem m_system{GetModuleHandleW(nullptr), 0};
};

// The dialog window of the calling thread (other test programs may show theirs meanwhile).
HWND DialogOfThisThread() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) != L"#32770")
                return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// What a static control of the dialog thread's dialog shows, as the system draws it.
CString ShownText(int id) {
    wchar_t text[1024] = {};
    GetWindowTextW(GetDlgItem(DialogOfThisThread(), id), text, 1024);
    return FromWide(text, wcslen(text));
}

TEST_F(Win32Window, HandOversFromAnotherThreadEndWithTheWindow) {
    // The worker sends without pause while the dialog is closed under it: every send either
    // ran on the dialog thread or returns once the window is gone; none may hang.
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        std::atomic<int> ran{0};
        struct Outcome {
            int sent = 0;
            std::chrono::steady_clock::duration late{};  // 100 hand-overs after the end
        };
        std::future<Outcome> worker;
        TemplateDialog dialog([&](TemplateDialog& d) {
            HWND window = DialogOfThisThread();
            worker = std::async(std::launch::async, [&d, &ran, round, window] {
                Outcome outcome;
                while (d.With([&](DialogWindow& w) {
                    w.SetText(IDC_STATUS_TEXT, FormatText(u"Step %d", outcome.sent));
                    ++ran;
                })) {
                    if (++outcome.sent == 20 + round)
                        PostMessageW(window, WM_CLOSE, 0, 0);
                }
                const auto start = std::chrono::steady_clock::now();
                for (int i = 0; i < 100; ++i) d.With([&](DialogWindow&) { ++ran; });
                outcome.late = std::chrono::steady_clock::now() - start;
                return outcome;
            });
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        ASSERT_EQ(worker.wait_for(30s), std::future_status::ready)
            << "a hand-over did not return after the dialog ended";
        const Outcome outcome = worker.get();
        const int sent = outcome.sent;
        // Once the window is gone a hand-over returns at once.
        EXPECT_LT(outcome.late, 5s);
        EXPECT_GE(sent, 20 + round);
        EXPECT_EQ(ran.load(), sent);  // each one that gave true ran, and only those
    }
}

TEST_F(Win32Window, TextsThatDoNotFitAreShortenedWithTheWholeTextAsTooltip) {
    const CString longLine =
        u"Downloading a-pack-with-a-very-long-name-that-the-status-line-cannot-hold.zip";
    const CString longGreeting =
        u"Thanks for using an application whose name is far too long for the greeting line!";
    struct Seen {
        CString text, shown, tooltip;
    };
    Seen status, shortStatus, greeting, shortGreeting;
    TemplateDialog dialog([&](TemplateDialog& d) {
        auto look = [&d](int id, const CString& text, Seen& seen) {
            d.With([&](DialogWindow& w) {
                w.SetText(id, text);
                seen.text = w.GetText(id);
                seen.tooltip = w.GetToolTip(id);
            });
            seen.shown = ShownText(id);
        };
        look(IDC_STATUS_TEXT, longLine, status);
        look(IDC_STATUS_TEXT, u"Ready.", shortStatus);
        look(IDC_GREETING_TEXT, longGreeting, greeting);
        look(IDC_GREETING_TEXT, u"Thanks!", shortGreeting);
        d.EndDialog(IDOK);
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);

    // One line: shortened with an ellipsis, read back whole, whole in the tooltip.
    EXPECT_EQ(status.text, longLine);
    EXPECT_EQ(status.tooltip, longLine);
    ASSERT_FALSE(status.shown.empty());
    EXPECT_EQ(status.shown.back(), kEllipsis);
    EXPECT_LT(status.shown.size(), longLine.size());
    EXPECT_EQ(
        longLine.compare(0, status.shown.size() - 1, status.shown, 0, status.shown.size() - 1), 0);
    EXPECT_EQ(shortStatus.shown, u"Ready.");
    EXPECT_EQ(shortStatus.tooltip, u"");
    // Wrapped: the control cuts it at the bottom; the tooltip holds it whole.
    EXPECT_EQ(greeting.text, longGreeting);
    EXPECT_EQ(greeting.shown, longGreeting);
    EXPECT_EQ(greeting.tooltip, longGreeting);
    EXPECT_EQ(shortGreeting.tooltip, u"");
}

}  // namespace
