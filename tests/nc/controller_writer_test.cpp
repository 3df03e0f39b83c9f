// Write-back of D/H offsets and work coordinates into the controller file.
#include "nc/controller_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "nc/controller_reader.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

namespace fs = std::filesystem;

TEST(ControllerWriter, OffsetsUnderFanucADropZeroLinesAndAppendNewOnes) {
    test::TempDir dir;
    const std::string original =
        "; radius offsets\nG10MODE = FANUC-A\nMEMORY D01= 5.000\nMEMORY D02= 6.000\nMEMORY H01= 1.000\n"
        "D04 = 3.0\nMEMORY D1000= 7\nEOR = %\n";
    const std::string path = dir.Write("c.ctl", original);
    ControllerDef def;
    ASSERT_EQ(ReadControllerDef(path, def), 1);
    def.dOffsets[1] = {5.5f, 0.1f};  // one column: the second value is not written
    def.dOffsets[2] = {0.0f, 0.0f};
    def.dOffsets[4] = {0.0f, 0.0f};
    def.dOffsets[5] = {0.0f, 0.3f};  // zero in the written column: nothing appended
    def.dOffsets[10] = {2.25f, 0.0f};
    def.dOffsets[123] = {-1.0f, 0.0f};
    def.hOffsets[1] = {9.0f, 0.0f};  // the other table stays as it is in the file
    def.fileTime.reset();

    ASSERT_TRUE(WriteBackOffsets(path, def, 'D'));
    EXPECT_EQ(test::TempDir::Read(path),
              "; radius offsets\nG10MODE = FANUC-A\nMEMORY D01= 5.500000\nMEMORY H01= 1.000\nMEMORY D1000= 7\n"
              "EOR = %\nMEMORY D10= 2.250000\nMEMORY D123= -1.000000\n");
    EXPECT_EQ(test::TempDir::Read(path + ".bak"), original);
    EXPECT_FALSE(fs::exists(path + ".new"));
    EXPECT_TRUE(def.fileTime.has_value() && def.fileTime == ReadFileTime(path));

    ControllerDef back;  // read back: the bare D04 line went with its entry
    ASSERT_EQ(ReadControllerDef(path, back), 1);
    for (int n = 0; n < kOffsetNumbers; ++n) EXPECT_EQ(back.dOffsets[n].value, def.dOffsets[n].value) << n;
}

TEST(ControllerWriter, OffsetsUnderFanucBWriteTwoColumns) {
    test::TempDir dir;
    const std::string path =
        dir.Write("c.ctl", "G10MODE = FANUC-B\nMEMORY H01= 1.0,0.1\nMEMORY H02= 2.0,0.0\nh5 = 4\nMEMORY D01= 5.0\n");
    ControllerDef def;
    ASSERT_EQ(ReadControllerDef(path, def), 1);
    def.hOffsets[2] = {0.0f, 0.0f};
    def.hOffsets[3] = {0.0f, 0.2f};  // one non-zero column is enough to be written
    def.hOffsets[5].second = 0.5f;

    ASSERT_TRUE(WriteBackOffsets(path, def, 'h'));
    EXPECT_EQ(test::TempDir::Read(path), "G10MODE = FANUC-B\nMEMORY H01= 1.000000,0.100000\nH05= 4.000000,0.500000\n"
                                         "MEMORY D01= 5.0\nMEMORY H03= 0.000000,0.200000\n");
}

TEST(ControllerWriter, WorkCoordinatesKeepTheFormFound) {
    test::TempDir dir;
    const std::string text = "MEMORY G54= (10.000,20.000,0.000)\nMEMORY WK2= (1,2,3)\nMEMORY G56 = (5,5,5)\n"
                             "MEMORY G53= (1,1,1)\n";
    for (const bool osp : {false, true}) {
        const std::string path = dir.Write(osp ? "osp.ctl" : "std.ctl", (osp ? "PRODUCT = OSP\n" : "") + text);
        ControllerDef def;
        ASSERT_EQ(ReadControllerDef(path, def), 1);
        EXPECT_FLOAT_EQ(def.work[1].y, 20.0f);
        def.work[2].x = 1.5f;
        def.work[3] = {};
        def.work[4] = {0.0f, 0.0f, -7.0f};
        def.work[150] = {1.0f, 2.0f, 3.0f};
        ASSERT_TRUE(WriteBackWorkCoordinates(path, def));
        const std::string entry4 = osp ? "MEMORY WK4= (0.000000,0.000000,-7.000000)\n"
                                       : "MEMORY G57= (0.000000,0.000000,-7.000000)\n";
        EXPECT_EQ(test::TempDir::Read(path), std::string(osp ? "PRODUCT = OSP\n" : "") +
                                                 "MEMORY G54= (10.000000,20.000000,0.000000)\n"
                                                 "MEMORY WK2= (1.500000,2.000000,3.000000)\n"
                                                 "MEMORY G53= (1,1,1)\n" +
                                                 entry4 + "MEMORY WK150= (1.000000,2.000000,3.000000)\n")
            << osp;
    }
}

TEST(ControllerWriter, KeepsLineEndsAndOneBackupGeneration) {
    test::TempDir dir;
    // Windows line ends and a last line without one.
    const std::string original = "EOR = %\r\nMEMORY D01= 1\r\nF5 = 2400.0";
    const std::string path = dir.Write("c.ctl", original);
    ControllerDef def;
    ASSERT_EQ(ReadControllerDef(path, def), 1);
    def.dOffsets[1].value = 2.0f;
    def.dOffsets[3].value = 3.0f;
    ASSERT_TRUE(WriteBackOffsets(path, def, 'D'));
    const std::string first = "EOR = %\r\nMEMORY D01= 2.000000\r\nF5 = 2400.0\r\nMEMORY D03= 3.000000\r\n";
    EXPECT_EQ(test::TempDir::Read(path), first);

    def.dOffsets[1].value = 0.0f;
    ASSERT_TRUE(WriteBackOffsets(path, def, 'D'));
    EXPECT_EQ(test::TempDir::Read(path), "EOR = %\r\nF5 = 2400.0\r\nMEMORY D03= 3.000000\r\n");
    EXPECT_EQ(test::TempDir::Read(path + ".bak"), first);  // only the latest previous file is kept

    // A stale ".new" is replaced; a link is followed to the file it names.
    dir.Write("c.ctl.new", "stale");
    const std::string link = dir.Path("link.ctl");
    fs::create_symlink(path, link);
    def.dOffsets[3].value = 4.0f;
    ASSERT_TRUE(WriteBackOffsets(link, def, 'D'));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::TempDir::Read(path), "EOR = %\r\nF5 = 2400.0\r\nMEMORY D03= 4.000000\r\n");
    EXPECT_FALSE(fs::exists(path + ".new"));
}

TEST(ControllerWriter, FailedWriteLeavesTheOriginalInPlace) {
    test::TempDir dir;
    const std::string original = "MEMORY D01= 1\nMEMORY G54= (1,2,3)\n";
    const std::string path = dir.Write("c.ctl", original);
    ControllerDef def;
    ASSERT_EQ(ReadControllerDef(path, def), 1);
    def.dOffsets[1].value = 2.0f;
    def.work[1].x = 5.0f;
    const FileTime before = def.fileTime;

    fs::create_directory(path + ".new");  // ".new" is a directory
    EXPECT_FALSE(WriteBackOffsets(path, def, 'D'));
    EXPECT_FALSE(WriteBackWorkCoordinates(path, def));
    EXPECT_TRUE(fs::is_directory(path + ".new"));
    fs::remove(path + ".new");
    fs::create_directories(path + ".bak/inside");  // ".bak" cannot be removed
    EXPECT_FALSE(WriteBackOffsets(path, def, 'D'));
    EXPECT_FALSE(fs::exists(path + ".new"));
    fs::remove_all(path + ".bak");
    if (::geteuid() != 0) {  // a read-only folder (root may write anyway)
        fs::permissions(dir.Dir(), fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_FALSE(WriteBackOffsets(path, def, 'D'));
        fs::permissions(dir.Dir(), fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_FALSE(WriteBackOffsets(path, def, 'X'));               // not an offset table
    EXPECT_FALSE(WriteBackOffsets(dir.Path("none.ctl"), def, 'D'));  // no file: none is made
    EXPECT_FALSE(fs::exists(dir.Path("none.ctl")));

    EXPECT_EQ(test::TempDir::Read(path), original);
    EXPECT_FALSE(fs::exists(path + ".bak"));
    EXPECT_FALSE(fs::exists(path + ".new"));
    EXPECT_EQ(def.fileTime, before);
}

}  // namespace
}  // namespace morvex
