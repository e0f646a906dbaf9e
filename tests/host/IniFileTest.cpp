#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "host/settings/IniFile.h"
#include "host/settings/UserSettingsStore.h"

namespace fo {
namespace {

TEST(IniFileTest, SectionsKeysAndCommentsReadBackAsWrittenAndTheUsersFilesLiveInTheConfigurationFolder) {
    auto parsed = IniFile::parse(
        "\xEF\xBB\xBF; 默认操作员设置\r\n"
        "top=before any section\r\n"
        "[Morkel]\r\n"
        "jmyy = 家庭困难减免 \r\n"
        "# a comment\r\n"
        "  ;indented comment\r\n"
        "not a setting line\r\n"
        "url=a=b;c\r\n"
        "[other]\n"
        "JMYY=\"  spaced  \"\n"
        "empty=\n");
    EXPECT_EQ(parsed.get("morkel", "JMYY"), "家庭困难减免");  // names ignore case, value trimmed
    EXPECT_EQ(parsed.get("MORKEL", "url"), "a=b;c");         // only the first '=' splits, ';' inside a value stays
    EXPECT_EQ(parsed.get("other", "jmyy"), "  spaced  ");    // quotes keep blanks
    EXPECT_EQ(parsed.get("other", "empty", "x"), "");
    EXPECT_TRUE(parsed.contains("other", "empty"));
    EXPECT_EQ(parsed.get("", "top"), "before any section");
    EXPECT_EQ(parsed.get("morkel", "missing", "默认"), "默认");
    EXPECT_EQ(parsed.get("nowhere", "jmyy", "d"), "d");
    EXPECT_FALSE(parsed.contains("morkel", "# a comment"));

    // A section written twice is one section; the later key wins.
    auto twice = IniFile::parse("[a]\nx=1\n[b]\ny=2\n[A]\nx=3\nz=4\n");
    EXPECT_EQ(twice.get("a", "x") + "|" + twice.get("a", "z"), "3|4");
    EXPECT_EQ(twice.sections().size(), 2u);

    // Written text reads back the same.
    IniFile ini;
    ini.set("tavro/frmJmBachList", "k姓名", "1500");
    ini.set("tavro/frmJmBachList", "k学号", " 2 ");
    ini.set("morkel", "jmyy", "困难补助");
    ini.set("tavro/frmJmBachList", "K姓名", "1800");  // same key, other case
    auto back = IniFile::parse(ini.text());
    EXPECT_EQ(back.get("tavro/frmjmbachlist", "k姓名"), "1800");
    EXPECT_EQ(back.text(), ini.text());  // blanks and every other key as written

    test::TempDir dir;
    test::ScopedVariable home("XDG_CONFIG_HOME", dir.path().string());
    EXPECT_FALSE(IniFile::load(dir.file("none.ini")));
    ini.save(dir.file("sub/dir/x.ini"));  // folders are created
    auto loaded = IniFile::load(dir.file("sub/dir/x.ini"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->get("morkel", "jmyy"), "困难补助");

    // The user's files live in the configuration folder, each application's
    // settings apart (saved at once and read by the next session: the host's
    // column widths).
    EXPECT_EQ(userConfigDir(), dir.path().string());
    // (The test executable's folder holds no DefaultUser.ini.)
    EXPECT_FALSE(IniFile::findDefaultUser());
    std::filesystem::create_directories(dir.file("feeoffice"));
    std::ofstream(dir.file("feeoffice/DefaultUser.ini")) << "[morkel]\njmyy=贫困生减免\n";
    auto defaults = IniFile::findDefaultUser();
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->get("morkel", "jmyy"), "贫困生减免");
    // The settings store's file lives beside it.
    UserSettingsStore store;
    EXPECT_EQ(store.filePath(), dir.file("feeoffice/settings.ini"));
    store.saveSetting("tavro", "frmJmBachList", "k姓名", "1500");
    store.saveSetting("shTavro", "frmJmBachList", "k姓名", "900");
    EXPECT_EQ(UserSettingsStore().getSetting("tavro", "frmJmBachList", "k姓名"), "1500");
    EXPECT_EQ(UserSettingsStore().getSetting("shTavro", "frmJmBachList", "k姓名"), "900");
}

}  // namespace
}  // namespace fo
