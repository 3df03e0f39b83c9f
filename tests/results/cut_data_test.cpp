// The cut data's writer thread: whatever the chunking, the file holds the
// bytes the records give when formatted one after the other on one thread,
// text and binary alike (the binary form carries fields over from record
// to record, across chunks); a writer given up before its finish leaves
// the old file; a full disk is reported and does not stall the run.
#include "results/cut_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/progress_watchdog.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

// Records whose fields repeat often (as steps along one motion do) and
// change now and then, with a few values beyond the fast number writer.
std::vector<CutRecord> Records(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<CutRecord> records(count);
    CutRecord r;
    for (CutRecord& out : records) {
        const unsigned pick = random() % 16;
        if (pick == 0) r.line += 1 + static_cast<int>(random() % 5);
        if (pick == 1) r.type = static_cast<int>(random() % 4);
        if (pick == 2) r.cutClass = random() % 2 ? static_cast<int>(random() % 4) : 255;
        if (pick == 3) r.tool = static_cast<int>(random() % 20);
        if (pick == 4) r.feed = static_cast<int>(random() % 5000);
        r.x = (static_cast<double>(random() % 2000000) - 1000000.0) / 997.0;
        if (pick != 5) r.z = static_cast<double>(random() % 40000) / 1000.0;
        if (pick == 6) r.y = random() % 64 == 0 ? 1e14 : static_cast<double>(random() % 100000) / 100.0;
        r.load = pick < 8 ? static_cast<double>(random() % 1000) / 7.0 : r.load;
        r.chosen = pick < 8 ? static_cast<int>(random() % 3000) : r.chosen;
        r.blockEnd = pick == 9;
        r.nurbs = pick == 10;
        out = r;
    }
    return records;
}

TEST(CutData, ChunksFromTheWriterThreadMatchRecordsFormattedInTurn) {
    test::ProgressWatchdog watchdog("the cut data writer hung after %lld chunks");
    long long handed = 0;
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "text");
        const std::vector<CutRecord> records = Records(3 * kCutRecordChunk * 5 + 1234, binary ? 7u : 3u);
        CutDataForm start;
        start.binary = binary;
        start.tool = 1;
        std::string expected = "head\n";
        CutDataForm inline_form = start;
        for (const CutRecord& r : records) AppendCutRecord(inline_form, r, expected);

        TempDir dir;
        ReplacedFile file;
        ASSERT_TRUE(BeginReplace(file, dir.Path("CUTDATA")));
        ASSERT_TRUE(WriteBytes(file, "head\n", 5));
        std::unique_ptr<CutDataWriter> writer = StartCutDataWriter(file, start);
        ASSERT_NE(writer, nullptr);
        EXPECT_EQ(file.fd, -1);  // the writer's until its finish
        std::vector<CutRecord> chunk;
        chunk.reserve(kCutRecordChunk);
        for (const CutRecord& r : records) {
            chunk.push_back(r);
            if (chunk.size() == kCutRecordChunk) {
                HandCutRecords(*writer, chunk);
                EXPECT_TRUE(chunk.empty());
                EXPECT_GE(chunk.capacity(), kCutRecordChunk);
                watchdog.Progress(++handed);
            }
        }
        CutDataForm end;
        ASSERT_TRUE(FinishCutDataWriter(*writer, chunk, file, end));
        writer.reset();
        EXPECT_EQ(end.line, inline_form.line);
        EXPECT_EQ(end.z, inline_form.z);
        ASSERT_EQ(FinishReplace(file, true), kFileSaved);
        const std::string written = TempDir::Read(dir.Path("CUTDATA"));
        ASSERT_EQ(written.size(), expected.size());
        EXPECT_TRUE(written == expected);
    }
}

TEST(CutData, WriterGivenUpOrOutOfDiskLeavesTheOldFile) {
    test::ProgressWatchdog watchdog("the cut data writer hung after %lld chunks");
    long long handed = 0;
    TempDir dir;
    const std::string path = dir.Write("CUTDATA.TXT", "old\n");
    const std::vector<CutRecord> records = Records(kCutRecordChunk, 11u);
    // Given up in the middle of a run (the run ended by an error): the
    // thread ends, the half file goes.
    {
        ReplacedFile file;
        ASSERT_TRUE(BeginReplace(file, path));
        std::unique_ptr<CutDataWriter> writer = StartCutDataWriter(file, CutDataForm{});
        ASSERT_NE(writer, nullptr);
        for (int i = 0; i < 8; ++i) {
            std::vector<CutRecord> chunk = records;
            HandCutRecords(*writer, chunk);
            watchdog.Progress(++handed);
        }
    }
    EXPECT_EQ(TempDir::Read(path), "old\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Dir())) ++files;
    EXPECT_EQ(files, 1u);

    // The disk fills up: every chunk is still taken (the run goes on to
    // its end), the finish says so, and the old file stays.
    ReplacedFile file;
    ASSERT_TRUE(BeginReplace(file, path));
    bool finished = true;
    {
        test::FileSizeLimit limit(100000);
        ASSERT_TRUE(limit.Set());
        std::unique_ptr<CutDataWriter> writer = StartCutDataWriter(file, CutDataForm{});
        ASSERT_NE(writer, nullptr);
        for (int i = 0; i < 20; ++i) {
            std::vector<CutRecord> chunk = records;
            HandCutRecords(*writer, chunk);
            watchdog.Progress(++handed);
        }
        std::vector<CutRecord> rest;
        CutDataForm end;
        finished = FinishCutDataWriter(*writer, rest, file, end);
    }
    EXPECT_FALSE(finished);
    EXPECT_EQ(FinishReplace(file, false), kFileWriteFailed);
    EXPECT_EQ(TempDir::Read(path), "old\n");
}

}  // namespace
}  // namespace morvex
