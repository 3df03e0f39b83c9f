// INI look-up and rewriting with the behaviour of the private-profile functions.
#include "frame/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace morvex {
namespace {

IniFile FromText(const std::string& text) {
    test::TempDir dir;
    return LoadIni(dir.Write("x.ini", text));
}

TEST(IniFile, LookupIgnoresCaseBlanksAndQuotes) {
    const IniFile ini = FromText(
        "; settings\r\n"
        "[Define]\r\n"
        "  PITCH(WORK) =  AUTO 5000  \r\n"
        "name=\"quoted value\"\r\n"
        "half=\"open\r\n"
        "[define]\r\n"
        "PITCH(WORK)=2\r\n"
        "[Save]\r\n"
        "X = -8\r\n"
        "Y = 12abc\r\n"
        "HEIGHT = text\r\n"
        "HUGE = 99999999999\r\n");
    EXPECT_TRUE(ini.loaded);
    EXPECT_EQ(ini.lineEnd, "\r\n");
    EXPECT_EQ(GetIniString(ini, "DEFINE", "pitch(work)", "x"), "AUTO 5000");  // first section wins
    EXPECT_EQ(GetIniString(ini, "Define", "name", ""), "quoted value");
    EXPECT_EQ(GetIniString(ini, "Define", "half", ""), "\"open");
    EXPECT_EQ(GetIniString(ini, "Define", "PITCH", "none"), "none");  // keys match whole
    EXPECT_EQ(GetIniString(ini, "Nowhere", "X", "dflt"), "dflt");
    EXPECT_EQ(GetIniInt(ini, "Save", "X", 0), -8);
    EXPECT_EQ(GetIniInt(ini, "Save", "Y", 0), 12);
    EXPECT_EQ(GetIniInt(ini, "Save", "HEIGHT", -1), 0);  // present but not a number
    EXPECT_EQ(GetIniInt(ini, "Save", "WIDE", -1), -1);   // absent: the default
    EXPECT_EQ(GetIniInt(ini, "Save", "HUGE", 0), 2147483647);
}

TEST(IniFile, RewriteKeepsForeignLinesAndChangesOnlyTheKeysWritten) {
    test::TempDir dir;
    const std::string original =
        "; my shop settings\n"
        "[Define]\n"
        "ANGLE-A = 315.0   \n"
        "Comment line without equals\n"
        "\n"
        "[Save]\n"
        "display=0\n"
        "FOREIGN KEY=keep me\n"
        "\n"
        "[Other]\n"
        "A=1\n";
    const std::string path = dir.Write("morvex.ini", original);
    IniFile ini;
    ASSERT_TRUE(LoadIniForUpdate(path, ini));
    SetIniString(ini, "Save", "DISPLAY", "1");          // existing key, other case
    SetIniString(ini, "Save", "SHOW", "3");             // new key at the end of its section
    SetIniString(ini, "Define", "ANGLE-A", "30");       // spacing before the value kept
    SetIniString(ini, "Sync", "SYNC MODE", "NO");       // new section at the end
    ASSERT_TRUE(SaveIni(ini, path));
    EXPECT_EQ(test::TempDir::Read(path),
              "; my shop settings\n"
              "[Define]\n"
              "ANGLE-A = 30\n"
              "Comment line without equals\n"
              "\n"
              "[Save]\n"
              "display=1\n"
              "FOREIGN KEY=keep me\n"
              "SHOW=3\n"
              "\n"
              "[Other]\n"
              "A=1\n"
              "\n"
              "[Sync]\n"
              "SYNC MODE=NO\n");
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(IniFile, WritesCreateMissingFilesKeepModesAndFollowLinks) {
    test::TempDir dir;
    // A missing file is created.
    const std::string fresh = dir.Path("new.ini");
    ASSERT_TRUE(WriteIniString(fresh, "Define", "SPECIFIED POINT", "(1.000,2.000,3.000)"));
    EXPECT_EQ(test::TempDir::Read(fresh), "[Define]\nSPECIFIED POINT=(1.000,2.000,3.000)\n");

    // The file's permissions survive the rewrite.
    ASSERT_EQ(::chmod(fresh.c_str(), 0640), 0);
    ASSERT_TRUE(WriteIniString(fresh, "Define", "X", "1"));
    struct stat info {};
    ASSERT_EQ(::stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // A symbolic link stays a link; its target is rewritten.
    const std::string target = dir.Write("real/target.ini", "[Save]\nDISPLAY=0\n");
    const std::string link = dir.Path("link.ini");
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(WriteIniString(link, "Save", "DISPLAY", "1"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::TempDir::Read(target), "[Save]\nDISPLAY=1\n");
}

TEST(IniFile, AFileThatCannotBeReadIsNeverReplaced) {
    if (::geteuid() == 0) {
        // Root reads every file; make the file unreadable another way: a directory.
        test::TempDir dir;
        const std::string path = dir.Path("morvex.ini");
        std::filesystem::create_directory(path);
        EXPECT_FALSE(WriteIniString(path, "Save", "DISPLAY", "1"));
        EXPECT_TRUE(std::filesystem::is_directory(path));
        return;
    }
    test::TempDir dir;
    const std::string path = dir.Write("morvex.ini", "[Save]\nDISPLAY=0\nPRECIOUS=1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
    EXPECT_FALSE(WriteIniString(path, "Save", "DISPLAY", "1"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(test::TempDir::Read(path), "[Save]\nDISPLAY=0\nPRECIOUS=1\n");
}

TEST(IniFile, AFailedWriteLeavesThePreviousFile) {
    test::TempDir dir;
    const std::string path = dir.Write("ro/morvex.ini", "[Save]\nDISPLAY=0\n");
    // A directory where nothing can be created: the temporary file fails.
    ASSERT_EQ(::chmod(dir.Path("ro").c_str(), 0500), 0);
    const bool written = WriteIniString(path, "Save", "DISPLAY", "1");
    ::chmod(dir.Path("ro").c_str(), 0700);
    if (::geteuid() != 0) {
        EXPECT_FALSE(written);
    }
    if (!written) {
        EXPECT_EQ(test::TempDir::Read(path), "[Save]\nDISPLAY=0\n");
    }
}

TEST(IniFile, ReadOnlyFilesStayAndAByteOrderMarkIsKept) {
    test::TempDir dir;
    const std::string locked = dir.Write("locked.ini", "[Save]\nDISPLAY=0\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_FALSE(WriteIniString(locked, "Save", "DISPLAY", "1"));  // also as root
    EXPECT_EQ(test::TempDir::Read(locked), "[Save]\nDISPLAY=0\n");

    const std::string marked = dir.Write("bom.ini", "\xEF\xBB\xBF[Save]\r\nDISPLAY=0\r\n");
    IniFile ini = LoadIni(marked);
    EXPECT_EQ(GetIniInt(ini, "Save", "DISPLAY", 9), 0);  // the mark hides no section
    ASSERT_TRUE(WriteIniString(marked, "Save", "DISPLAY", "1"));
    EXPECT_EQ(test::TempDir::Read(marked), "\xEF\xBB\xBF[Save]\r\nDISPLAY=1\r\n");
}

}  // namespace
}  // namespace morvex
