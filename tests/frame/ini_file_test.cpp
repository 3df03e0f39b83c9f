// INI look-up and rewriting with the behaviour of the private-profile functions.
#include "frame/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

TEST(IniFile, LookupIgnoresCaseBlanksAndQuotes) {
    TempDir dir;
    const IniFile ini = LoadIni(dir.Write("x.ini",
                                          "; settings\r\n[Define]\r\n  PITCH(WORK) =  AUTO 5000  \r\n"
                                          "name=\"quoted value\"\r\nhalf=\"open\r\n[define]\r\nPITCH(WORK)=2\r\n"
                                          "[Save]\r\nX = -8\r\nY = 12abc\r\nHEIGHT = text\r\nHUGE = 99999999999\r\n"));
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
    TempDir dir;
    const std::string path = dir.Write("morvex.ini",
                                       "; my shop settings\n[Define]\nANGLE-A = 315.0   \nComment line without equals\n"
                                       "\n[Save]\ndisplay=0\nFOREIGN KEY=keep me\n\n[Other]\nA=1\n");
    IniFile ini;
    ASSERT_TRUE(LoadIniForUpdate(path, ini));
    SetIniString(ini, "Save", "DISPLAY", "1");     // existing key, other case
    SetIniString(ini, "Save", "SHOW", "3");        // new key at the end of its section
    SetIniString(ini, "Define", "ANGLE-A", "30");  // spacing before the value kept
    SetIniString(ini, "Sync", "SYNC MODE", "NO");  // new section at the end
    ASSERT_TRUE(SaveIni(ini, path));
    EXPECT_EQ(TempDir::Read(path),
              "; my shop settings\n[Define]\nANGLE-A = 30\nComment line without equals\n"
              "\n[Save]\ndisplay=1\nFOREIGN KEY=keep me\nSHOW=3\n\n[Other]\nA=1\n\n[Sync]\nSYNC MODE=NO\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), {}), 1);
}

TEST(IniFile, WritesCreateMissingFilesKeepModesMarksAndFollowLinks) {
    TempDir dir;
    const std::string fresh = dir.Path("new.ini");
    ASSERT_TRUE(WriteIniString(fresh, "Define", "SPECIFIED POINT", "(1.000,2.000,3.000)"));
    EXPECT_EQ(TempDir::Read(fresh), "[Define]\nSPECIFIED POINT=(1.000,2.000,3.000)\n");

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
    EXPECT_EQ(TempDir::Read(target), "[Save]\nDISPLAY=1\n");

    // A byte order mark hides no section and is kept.
    const std::string marked = dir.Write("bom.ini", "\xEF\xBB\xBF[Save]\r\nDISPLAY=0\r\n");
    EXPECT_EQ(GetIniInt(LoadIni(marked), "Save", "DISPLAY", 9), 0);
    ASSERT_TRUE(WriteIniString(marked, "Save", "DISPLAY", "1"));
    EXPECT_EQ(TempDir::Read(marked), "\xEF\xBB\xBF[Save]\r\nDISPLAY=1\r\n");
}

// A file that cannot be read, a read-only file (also for root) and a folder
// where no temporary file can be made: the write fails and the file stays.
TEST(IniFile, AFailedWriteNeverReplacesTheFile) {
    const bool root = ::geteuid() == 0;
    const struct {
        const char* name;
        mode_t fileMode, folderMode;
        bool fails;
    } cases[] = {
        {"unreadable", 0200, 0700, !root},
        {"read-only", 0444, 0700, true},
        {"locked folder", 0600, 0500, !root},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("ro/morvex.ini", "[Save]\nDISPLAY=0\nPRECIOUS=1\n");
        ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
        ASSERT_EQ(::chmod(dir.Path("ro").c_str(), c.folderMode), 0);
        const bool written = WriteIniString(path, "Save", "DISPLAY", "1");
        ::chmod(dir.Path("ro").c_str(), 0700);
        ::chmod(path.c_str(), 0600);
        if (c.fails) {
            EXPECT_FALSE(written) << c.name;
        }
        if (!written) {
            EXPECT_EQ(TempDir::Read(path), "[Save]\nDISPLAY=0\nPRECIOUS=1\n") << c.name;
        }
    }
    // A directory in the file's place is no file to replace.
    TempDir dir;
    std::filesystem::create_directory(dir.Path("morvex.ini"));
    EXPECT_FALSE(WriteIniString(dir.Path("morvex.ini"), "Save", "DISPLAY", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("morvex.ini")));
}

}  // namespace
}  // namespace morvex
