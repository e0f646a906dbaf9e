// `cmake --install` puts the program where the desktop finds it: the
// executable, its menu entry (checked by desktop-file-validate), its icon,
// and the MIME type that tells a fee database from any other SQLite file
// (checked by GLib's content-type detection on the installed database).
#include <cstdio>
#include <fstream>

#include "ExeRunner.h"
#include "support/XlsxSheet.h"

namespace fo::test {
namespace {

class Install : public ExeTest {
protected:
    // The content type GLib gives `file` with the MIME types under `prefix`.
    std::string contentType(const std::string& prefix, const std::string& file) {
        const std::string out = commandOutput("XDG_DATA_HOME='" + prefix + "/share' XDG_DATA_DIRS=/usr/share gio info -a "
                                              "standard::content-type '" + file + "' 2>&1");
        const auto at = out.find("content-type: ");
        return at == std::string::npos ? out : out.substr(at + 14, out.find('\n', at) - at - 14);
    }
    // Writes the SQLite header's application id (big-endian, offset 68).
    static void writeApplicationId(const std::string& file, unsigned id) {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(68);
        const char bytes[4] = {static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
                               static_cast<char>(id)};
        f.write(bytes, 4);
    }
};

TEST_F(Install, PutsTheProgramItsMenuEntryIconAndTheFeeDatabaseTypeUnderThePrefix) {
    const std::string prefix = path("prefix");
    const std::string installed =
        commandOutput("'" CMAKE_COMMAND "' --install '" FEEOFFICE_BUILD_DIR "' --prefix '" + prefix + "' 2>&1; echo rc=$?");
    ASSERT_NE(installed.find("rc=0"), std::string::npos) << installed;
    for (const char* file : {"bin/feeoffice", "share/applications/feeoffice.desktop",
                             "share/icons/hicolor/scalable/apps/feeoffice.svg", "share/mime/packages/feeoffice.xml",
                             "share/mime/mime.cache"})
        EXPECT_TRUE(std::filesystem::exists(prefix + "/" + file)) << file;

    const std::string entry = prefix + "/share/applications/feeoffice.desktop";
    EXPECT_EQ(commandOutput("desktop-file-validate '" + entry + "' 2>&1; echo rc=$?"), "rc=0\n");
    const std::string text = readWholeFile(entry);
    for (const char* line : {"\nExec=feeoffice %f\n", "\nIcon=feeoffice\n", "\nName[zh_CN]=收费管理\n",
                             "\nMimeType=application/x-feeoffice-database;\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    // A fee database, as the installed program writes it, against an SQLite
    // file of another program.
    const std::string fee = path("school.db"), other = path("other.db");
    const std::string init = commandOutput("'" + prefix + "/bin/feeoffice' init-demo '" + fee +
                                           "' --students 4 >/dev/null 2>&1; echo rc=$?");
    ASSERT_EQ(init, "rc=0\n");
    writeApplicationId(fee, FEEOFFICE_APPLICATION_ID);  // the stamp the data layer gives every fee database
    std::filesystem::copy_file(fee, other);
    writeApplicationId(other, 0x0f055112);
    EXPECT_EQ(contentType(prefix, fee), "application/x-feeoffice-database");
    EXPECT_EQ(contentType(prefix, other), "application/vnd.sqlite3");
}

}  // namespace
}  // namespace fo::test
