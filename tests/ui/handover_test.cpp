// The synchronous hand-over between a worker thread and the dialog thread.
#include <future>

#include <gtest/gtest.h>

#include "tests/ui/dialog_host.h"

TEST(Handover, WorkerWritesAreCarriedOutInOrderOnTheDialogThread) {
    DialogHost host("[Update]\nPack1=http://h/a.zip\n");
    HeadlessDialog& d = host.Start();
    std::thread worker([] {
        CDialog& dlg = *g_pUpdateDlg;
        dlg.SetDlgItemText(IDC_STATUS_TEXT, u"Requesting the update file...");
        dlg.GetDlgItem(IDOK)->EnableWindow(FALSE);
        dlg.GetDlgItem(IDCANCEL)->SetWindowText(u"Cancel");
        dlg.GetDlgItem(IDC_PROGRESS)->SendMessageW(PBM_SETRANGE32, 0, 5000);
        for (int pos = 0; pos <= 5000; pos += 500) {
            dlg.GetDlgItem(IDC_PROGRESS)->SendMessageW(PBM_SETPOS, pos, 0);
        }
        dlg.GetDlgItem(IDCANCEL)->ShowWindow(SW_HIDE);
    });
    worker.join();
    // Each call returned after the dialog thread had carried it out.
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), u"Requesting the update file...");
    EXPECT_FALSE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDCANCEL), u"Cancel");
    EXPECT_FALSE(d.IsVisible(IDCANCEL));
    EXPECT_EQ(d.Range(IDC_PROGRESS), std::pair(0, 5000));
    EXPECT_EQ(d.Pos(IDC_PROGRESS), 5000);
}

TEST(Handover, CallsAfterTheDialogEndedReturnAtOnceAndChangeNothing) {
    DialogHost host("[Update]\nPack1=http://h/a.zip\n");
    HeadlessDialog& d = host.Start(/*keepDialog=*/true);
    CDialog* dlg = g_pUpdateDlg;
    CWnd* status = dlg->GetDlgItem(IDC_STATUS_TEXT);
    ASSERT_NE(status, nullptr);
    // End the dialog while a worker still holds the object.
    std::promise<void> release;
    std::thread late([&] {
        release.get_future().wait();
        status->SetWindowText(u"late");
        CString text = u"untouched";
        status->GetWindowText(text);
        EXPECT_EQ(text, u"");
        EXPECT_EQ(dlg->GetDlgItem(IDC_STATUS_TEXT), nullptr);
    });
    ASSERT_TRUE(d.PressEscape());
    ASSERT_TRUE(d.WaitUntilEnded());
    release.set_value();
    late.join();
    host.Join();
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), u"An available version is ready, click to update.");
}

TEST(Handover, WorkerWaitingWhileTheDialogEndsIsReleased) {
    DialogHost host("[Update]\nPack1=http://h/a.zip\n");
    HeadlessDialog& d = host.Start(/*keepDialog=*/true);
    CWnd* status = g_pUpdateDlg->GetDlgItem(IDC_STATUS_TEXT);
    std::atomic<int> calls{0};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) {
            status->SetWindowText(u"busy");
            ++calls;
        }
    });
    while (calls < 100) std::this_thread::yield();
    ASSERT_TRUE(d.CloseBox());
    host.Join();
    // The worker's calls keep returning once the dialog has gone.
    const int before = calls;
    while (calls < before + 100) std::this_thread::yield();
    stop = true;
    worker.join();
}
