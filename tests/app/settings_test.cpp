#include <gtest/gtest.h>

#include "app/update_app.h"
#include "tests/tools/temp_dir.h"

TEST(SettingsRules, PackAndProgramFileNames) {
    struct Case {
        std::u16string url;
        std::u16string pack;
        std::u16string program;
    } cases[] = {
        {u"http://example.org/files/app.zip", u"app.zip", u"app.exe"},
        {u"http://example.org/files/app.rar", u"app.rar", u"app.exe"},
        {u"http://example.org/files/", u"", u".exe"},  // trailing slash
        {u"app.zip", u"app.zip", u"app.exe"},          // no slash
        {u"C:\\packs\\app.zip", u"C:\\packs\\app.zip", u"C:\\packs\\app.exe"},
        {u"http://example.org/download", u"download", u".exe"},  // no full stop
        {u"http://example.org/app.beta.zip", u"app.beta.zip", u"app.beta.exe"},
        {u"http://example.org/.zip", u".zip", u".exe"},
        {u"http://example.org/get?f=app.zip", u"get?f=app.zip", u"get?f=app.exe"},
        {u"http://example.org/a.b/get?f=x/app", u"app", u".exe"},  // query holds the last '/'
        {u"http://example.org/app.zip#frag", u"app.zip#frag", u"app.exe"},
        {u"", u"", u".exe"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackFileName(c.url), c.pack) << WideToUtf8(c.url);
        EXPECT_EQ(ProgramFileName(PackFileName(c.url)), c.program) << WideToUtf8(c.url);
    }
}

TEST(Settings, LoadSettings) {
    struct Case {
        const char* name;
        std::string ini;
        std::u16string appName, version, website;
        int packNumber;
        std::u16string program;  // after the base directory
    } cases[] = {
        {"empty file: no Pack key, no pack", "", u"", u"1.0.0.0", u"", 0, u".exe"},
        {"only Pack1", "[Update]\nPack1=http://h/app.zip\n", u"", u"1.0.0.0", u"", 1, u"app.exe"},
        {"everything",
         "[Program]\nAppName=Demo\nVersion=2.5\nWebsite=https://demo.example\n"
         "[Update]\nPackNumber=2\nPack1=http://h/demo.zip\nPack2=http://h/extra.zip\n",
         u"Demo", u"2.5", u"https://demo.example", 2, u"demo.exe"},
        {"no packs still names the program", "[Update]\nPackNumber=0\nPack1=http://h/x.zip\n", u"",
         u"1.0.0.0", u"", 0, u"x.exe"},
        {"negative count", "[Update]\nPackNumber=-3\n", u"", u"1.0.0.0", u"", -3, u".exe"},
        {"count bounded by the highest Pack key, gaps kept",
         "[Update]\nPackNumber=2000000000\nPack1=http://h/a.zip\npack3=http://h/c.zip\n", u"",
         u"1.0.0.0", u"", 3, u"a.exe"},
        {"only keys Pack%d writes count",
         "[Update]\nPackNumber=50\nPack1=a\nPack07=b\nPack0=c\nPack2x=d\nPackage9=e\n"
         "Pack99999999999=f\n",
         u"", u"1.0.0.0", u"", 1, u".exe"},
        {"Pack keys of another section do not count",
         "[Update]\nPackNumber=4\nPack1=a\n[Program]\nPack4=b\n", u"", u"1.0.0.0", u"", 1, u".exe"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.Write("Update.ini", c.ini);
        CUpdateApp app;
        app.m_strBaseDir = dir.BaseDir();
        app.m_strIniPath = app.m_strBaseDir + u"Update.ini";
        app.LoadSettings();
        EXPECT_EQ(app.m_strAppName, c.appName) << c.name;
        EXPECT_EQ(app.m_strVersion, c.version) << c.name;
        EXPECT_EQ(app.m_strWebsite, c.website) << c.name;
        EXPECT_EQ(app.m_nPackNumber, c.packNumber) << c.name;
        EXPECT_EQ(app.m_strProgramPath, dir.BaseDir() + c.program) << c.name;
        EXPECT_EQ(GetAppSettings(), &app);
    }
}

TEST(Settings, LongValueIsCut) {
    TempDir dir;
    const std::string url = "http://h/" + std::string(1100, 'a') + ".zip";
    dir.Write("Update.ini", "[Update]\nPack1=" + url + "\n");
    const std::u16string value =
        ReadIniString(u"Update", u"Pack1", u"", dir.BaseDir() + u"Update.ini");
    EXPECT_EQ(value.size(), 1023u);
    EXPECT_EQ(value, Utf8ToWide(url.substr(0, 1023)));
    // The cut removed ".zip": the stem is empty, as for any name without a full stop.
    EXPECT_EQ(ProgramFileName(PackFileName(value)), u".exe");
}

TEST(Startup, BaseDirectoryIsTheExecutablesOwn) {
    CUpdateApp app;
    app.InitBaseDirectory();
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(WideToUtf8(app.m_strBaseDir), exe.substr(0, exe.rfind('/') + 1));
}
