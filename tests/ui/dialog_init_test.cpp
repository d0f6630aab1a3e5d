#include <gtest/gtest.h>

#include "tests/ui/dialog_host.h"

namespace {

bool WaitForFile(const TempDir& dir, const std::string& name) {
    for (int i = 0; i < 500 && !dir.Exists(name); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return dir.Exists(name);
}

}  // namespace

TEST(DialogInit, ShowsSettingsAndPacks) {
    DialogHost host(
        "[Program]\nAppName=Grüße Demo\nWebsite=https://demo.example/\n"
        "[Update]\nPackNumber=3\nPack1=http://h/files/app.zip\nPack3=extra.dat\n");
    HeadlessDialog& d = host.Start();
    EXPECT_EQ(d.Title(), u"Grüße Demo Update");
    EXPECT_EQ(d.Text(IDC_GREETING_TEXT), u"Thanks for using Grüße Demo!");
    EXPECT_EQ(d.Text(IDC_WEBSITE_TEXT), u"https://demo.example/");
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), u"An available version is ready, click to update.");
    EXPECT_EQ(d.Rows(IDC_PACK_LIST), (std::vector<std::u16string>{u"app.zip", u"", u"extra.dat"}));
    // Ready: nothing else initialised.
    EXPECT_EQ(d.Text(IDOK), u"Update");
    EXPECT_TRUE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDCANCEL), u"Exit");
    EXPECT_TRUE(d.IsVisible(IDCANCEL));
    EXPECT_EQ(d.Text(IDC_PERCENT_TEXT), u"0%");
    EXPECT_EQ(d.Range(IDC_PROGRESS), std::pair(0, 100));
    EXPECT_EQ(d.Pos(IDC_PROGRESS), 0);
    EXPECT_EQ(d.Focus(), IDOK);
}

TEST(DialogInit, PackCounts) {
    struct Case {
        const char* packNumber;
        std::vector<std::u16string> rows;
    } cases[] = {
        {"0", {}},
        {"-1", {}},
        {"2", {u"a.zip", u""}},  // a value ending in '/' gives an empty row
        {"3", {u"a.zip", u""}},  // bounded by the last Pack key
        // Opens at once: the count never walks up to the value.
        {"2000000000", {u"a.zip", u""}},
    };
    for (const Case& c : cases) {
        DialogHost host(std::string("[Update]\nPackNumber=") + c.packNumber +
                        "\nPack1=http://h/a.zip\nPack2=http://h/dir/\n");
        HeadlessDialog& d = host.Start();
        EXPECT_EQ(d.Rows(IDC_PACK_LIST), c.rows) << c.packNumber;
    }
}

TEST(DialogInit, EmptyAppNameAndSite) {
    DialogHost host("");
    HeadlessDialog& d = host.Start();
    EXPECT_EQ(d.Title(), u" Update");
    EXPECT_EQ(d.Text(IDC_GREETING_TEXT), u"Thanks for using !");
    EXPECT_EQ(d.Text(IDC_WEBSITE_TEXT), u"");
    EXPECT_TRUE(d.Rows(IDC_PACK_LIST).empty());  // no Pack key, no pack
}

TEST(DialogInit, PackKeysAreReadWhenTheDialogOpens) {
    DialogHost host("[Update]\nPackNumber=1\nPack1=http://h/old.zip\n");
    host.Dir().Write("Update.ini", "[Update]\nPackNumber=5\nPack1=http://h/new.zip\n");
    HeadlessDialog& d = host.Start();
    // The count is the one loaded at startup, the keys are read afresh.
    EXPECT_EQ(d.Rows(IDC_PACK_LIST), std::vector<std::u16string>{u"new.zip"});
}

TEST(DialogExit, EscapeCloseBoxAndExitStartTheProgram) {
    enum Way { kEscape, kCloseBox, kExitButton, kEnterOnExit };
    for (Way way : {kEscape, kCloseBox, kExitButton, kEnterOnExit}) {
        DialogHost host("[Update]\nPack1=http://h/tool.zip\n");
        host.Dir().Write("tool.exe", "#!/bin/sh\necho started > \"$(dirname \"$0\")/marker\"\n");
        std::filesystem::permissions(host.Dir().Path() / "tool.exe",
                                     std::filesystem::perms::owner_all);
        HeadlessDialog& d = host.Start();
        switch (way) {
            case kEscape:
                d.PressEscape();
                break;
            case kCloseBox:
                d.CloseBox();
                break;
            case kExitButton:
                d.Click(IDCANCEL);
                break;
            case kEnterOnExit:
                d.SetFocus(IDCANCEL), d.PressEnter();
                break;
        }
        host.Join();
        EXPECT_TRUE(d.HasEnded()) << way;
        EXPECT_EQ(d.Result(), IDCANCEL) << way;
        EXPECT_TRUE(WaitForFile(host.Dir(), "marker")) << way;
        EXPECT_EQ(host.App().m_pMainWnd, nullptr);
    }
}
