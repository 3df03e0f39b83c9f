// DMF work file: exact bytes of small files built by hand, save levels and
// integer rounding, round trips, the origin rule, the grid check, refused
// files (uniform tops too large for the memory among them) that leave the
// work alone, and a failed save that keeps the old file.
#include "workio/dmf_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "../support/file_size_limit.h"
#include "../support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

// Little-endian fields appended by hand, in file order.
struct Bytes {
    std::string s;
    template <class T>
    Bytes& Put(T v) {
        char b[sizeof(T)];
        std::memcpy(b, &v, sizeof(T));
        s.append(b, sizeof(T));
        return *this;
    }
    Bytes& Header(std::vector<double> m, int nx, int ny, double pitch, double unit, int code, int mode) {
        s += "MORVEX          ";
        for (double v : m) Put(v);
        Put<std::int32_t>(nx).Put<std::int32_t>(ny).Put<std::int32_t>(2);
        Put(pitch).Put(pitch).Put(unit).Put<std::int32_t>(code).Put<std::int32_t>(mode);
        return *this;
    }
};

const std::vector<double> kIdentityAt10_20 = {1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 20, 0};

// A 3 x 2 block from (10, 20, -5) to (12, 21, 30) at pitch 1.
WorkModel Block(int dataLevel) {
    WorkModel w;
    PitchSettings p;
    p.workPitch = 1.0;
    EXPECT_EQ(DefineBoxWork(w, BoxRequest{10, 20, -5, 12, 21, 30}, p, dataLevel), DefineWorkStatus::Ok);
    w.workState = 1;
    return w;
}

void Cut(WorkModel& w) {
    w.height[4] = 25.0f;
    w.attr[4] = 0x13;
    if (w.lineNo) w.lineNo[4] = 7;
    w.zMax = 30.0;
    w.workState = 2;
}

TEST(DmfFile, ExactBytesAndSaveLevels) {
    TempDir dir;
    const std::string path = dir.Path("w.dmf");
    DmfContext ctx;
    WorkModel w = Block(kDataLevelFull);

    // Never cut, level 1: 156 + 4 + 12 bytes.
    ASSERT_EQ(SaveDmf(path, w, ctx), kDmfSaved);
    Bytes uniform;
    uniform.Header(kIdentityAt10_20, 3, 2, 1.0, 0.0, 0, 1).Put(30.0f);
    uniform.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(-5.0f);
    EXPECT_EQ(uniform.s.size(), 172u);
    EXPECT_EQ(TempDir::Read(path), uniform.s);

    // Cut, level 3 with line numbers: full grid, mode 0, code 5.
    Cut(w);
    ctx.saveLevel = 3;
    ASSERT_EQ(SaveDmf(path, w, ctx), kDmfSaved);
    Bytes full;
    full.Header(kIdentityAt10_20, 3, 2, 1.0, 0.0, 5, 0);
    for (float z : {30.0f, 30.0f, 30.0f, 30.0f, 25.0f, 30.0f}) full.Put(z);
    full.s += std::string("\0\0\0\0\x13\0", 6);
    for (int n : {0, 0, 0, 0, 7, 0}) full.Put<std::int32_t>(n);
    full.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(-5.0f);
    EXPECT_EQ(full.s.size(), 222u);
    EXPECT_EQ(TempDir::Read(path), full.s);

    // Level 3 without line numbers and level 2 write code 1; 198 bytes.
    WorkModel noLines = Block(kDataLevelBackup);
    Cut(noLines);
    for (int level : {2, 3}) {
        ctx.saveLevel = level;
        ASSERT_EQ(SaveDmf(path, noLines, ctx), kDmfSaved);
        const std::string got = TempDir::Read(path);
        ASSERT_EQ(got.size(), 198u) << level;
        EXPECT_EQ(got.substr(0, 198 - 12), full.s.substr(0, 198 - 12)
                                              .replace(148, 1, "\x01"));
    }

    // Integer heights: half away from zero; the unit is the float 0.001 widened.
    for (const auto& [z, count] : {std::pair{-0.0004, 0}, {0.0004, 0}, {0.0006, 1}, {-0.0006, -1}, {1e9, 2147483647}})
        EXPECT_EQ(DmfCountOf(z / 0.001), count) << z;
    ctx.saveLevel = 1;
    ctx.intHeights = true;
    const float zs[6] = {-0.0004f, 0.0006f, -0.0006f, 0.0004f, 2.0f, -2.0f};
    std::copy(zs, zs + 6, w.height);
    ASSERT_EQ(SaveDmf(path, w, ctx), kDmfSaved);
    Bytes ints;
    ints.Header(kIdentityAt10_20, 3, 2, 1.0, static_cast<double>(0.001f), 0, 0);
    for (int c : {0, 1, -1, 0, 2000, -2000}) ints.Put<std::int32_t>(c);
    ints.Put<std::int32_t>(0).Put<std::int32_t>(1).Put<std::int32_t>(-5000);
    EXPECT_EQ(TempDir::Read(path), ints.s);

    // A grid of several write blocks with a row length that divides none:
    // every node once, in order, heights and line numbers alike.
    WorkModel big;
    PitchSettings p;
    p.workPitch = 0.5;
    ASSERT_EQ(DefineBoxWork(big, BoxRequest{10, 20, -5, 160, 370, 30}, p, kDataLevelFull), DefineWorkStatus::Ok);
    ASSERT_EQ(big.nx, 301);
    ctx.intHeights = false;
    ctx.saveLevel = 3;
    Bytes grid;
    grid.Header(kIdentityAt10_20, big.nx, big.ny, 0.5, 0.0, 5, 0);
    for (std::uint32_t i = 0; i < big.cellCount; ++i) {
        big.height[i] = 29.0f - static_cast<float>(i % 977) * 0.01f;
        big.attr[i] = static_cast<std::uint8_t>(i % 251);
        big.lineNo[i] = static_cast<std::int32_t>(i * 3);
        grid.Put(big.height[i]);
    }
    grid.s.append(reinterpret_cast<const char*>(big.attr), big.cellCount);
    for (std::uint32_t i = 0; i < big.cellCount; ++i) grid.Put<std::int32_t>(big.lineNo[i]);
    grid.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(-5.0f);
    big.workState = 2;
    ASSERT_EQ(SaveDmf(path, big, ctx), kDmfSaved);
    EXPECT_TRUE(TempDir::Read(path) == grid.s);
}

TEST(DmfFile, RoundTripOriginAndGridCheck) {
    TempDir dir;
    const std::string path = dir.Path("w.dmf");
    DmfContext ctx;
    ctx.saveLevel = 3;
    WorkModel w = Block(kDataLevelFull);
    Cut(w);
    w.attr[0] = 0x21;
    w.lineNo[5] = -12;
    ASSERT_EQ(SaveDmf(path, w, ctx), kDmfSaved);

    WorkModel back;
    DmfContext readCtx;
    readCtx.intHeights = true;
    ASSERT_EQ(LoadDmf(path, back, readCtx), DmfStatus::Ok);
    EXPECT_FALSE(readCtx.intHeights);
    EXPECT_EQ(std::tuple(back.nx, back.ny, back.xMin, back.yMin, back.xMax, back.yMax, back.zMin, back.zMax),
              std::tuple(3, 2, 10.0, 20.0, 12.0, 21.0, -5.0, 30.0));
    EXPECT_EQ(back.workState, 2);  // mode 0 reads back as changed
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(back.height[i], w.height[i]) << i;
        EXPECT_EQ(back.attr[i], w.attr[i]) << i;
        EXPECT_EQ(back.lineNo[i], w.lineNo[i]) << i;
    }
    EXPECT_EQ(back.nodeOffset[2], 2.0);

    // Code 5 without line numbers kept: skipped, the bottom still found.
    WorkModel noLines;
    noLines.dataLevel = kDataLevelMinimal;
    ASSERT_EQ(LoadDmf(path, noLines, readCtx), DmfStatus::Ok);
    EXPECT_EQ(noLines.lineNo, nullptr);
    EXPECT_EQ(std::tuple(noLines.height[4], noLines.attr[4], noLines.zMin), std::tuple(25.0f, 0x13, -5.0));

    // Uniform code 5 and workState 0 -> mode 2 -> workState 0; uniform -> 1.
    Bytes u;
    u.Header(kIdentityAt10_20, 3, 2, 0.5, 0.0, 5, 1).Put(4.5f).Put<std::uint8_t>(0x02).Put<std::int32_t>(9);
    u.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(-1.0f);
    ASSERT_EQ(LoadDmf(dir.Write("u.dmf", u.s), back, readCtx), DmfStatus::Ok);
    EXPECT_EQ(std::tuple(back.workState, back.pitch, back.xMax, back.zMax, back.zMin),
              std::tuple(1, 0.5, 11.0, 4.5, -1.0));
    EXPECT_EQ(std::tuple(back.height[5], back.attr[3], back.lineNo[1]), std::tuple(4.5f, 0x02, 9));
    back.workState = 0;
    ASSERT_EQ(SaveDmf(path, back, ctx), kDmfSaved);
    EXPECT_EQ(TempDir::Read(path).size(), 156u + 6 * 9 + 12);
    EXPECT_EQ(TempDir::Read(path)[152], '\x02');
    ASSERT_EQ(LoadDmf(path, back, readCtx), DmfStatus::Ok);
    EXPECT_EQ(back.workState, 0);

    // Integer file: unit taken over in single precision, c * unit as float.
    Bytes in;
    in.Header(kIdentityAt10_20, 2, 2, 1.0, 0.01, 0, 0);
    for (int c : {1, -1, 250, 0}) in.Put<std::int32_t>(c);
    in.Put<std::int32_t>(0).Put<std::int32_t>(1).Put<std::int32_t>(-300);
    ASSERT_EQ(LoadDmf(dir.Write("i.dmf", in.s), back, readCtx), DmfStatus::Ok);
    EXPECT_TRUE(readCtx.intHeights);
    EXPECT_EQ(std::tuple(readCtx.unit, back.height[0], back.height[2], back.zMin),
              std::tuple(0.01f, 0.01f, 250.0f * 0.01f, static_cast<double>(-300.0f * 0.01f)));

    // Non-identity matrix: origin from (m3, m7), matrix kept for the next save.
    Bytes rot;
    const std::vector<double> m = {0, -1, 0, 7.5, 1, 0, 0, -2.5, 1, 100, 200, 3};
    rot.Header(m, 2, 2, 1.0, 0.0, 0, 1).Put(1.0f).Put<std::int32_t>(0).Put<std::int32_t>(1).Put(0.0f);
    ASSERT_EQ(LoadDmf(dir.Write("r.dmf", rot.s), back, readCtx), DmfStatus::Ok);
    EXPECT_EQ(std::tuple(back.xMin, back.yMin, back.xMax, readCtx.matrix[1]), std::tuple(7.5, -2.5, 8.5, -1.0));
    ASSERT_EQ(SaveDmf(path, back, readCtx), kDmfSaved);
    EXPECT_EQ(std::tuple(readCtx.matrix[9], readCtx.matrix[11]), std::tuple(7.5, 0.0));

    // Heights-only reader on a uniform and a full-grid file.
    DmfFile f;
    DmfHeader h;
    float z[6] = {};
    double pitchY = 0.0;
    ASSERT_EQ(OpenDmf(f, dir.Path("u.dmf")), DmfStatus::Ok);
    ASSERT_EQ(ReadDmfHeader(f, h), DmfStatus::Ok);
    EXPECT_EQ(ReadDmfHeights(f, h, z, 5, pitchY, readCtx), DmfStatus::BadGrid);
    ASSERT_EQ(ReadDmfHeights(f, h, z, 6, pitchY, readCtx), DmfStatus::Ok);
    CloseDmf(f);
    EXPECT_EQ(std::tuple(pitchY, z[5]), std::tuple(0.5, 4.5f));
    ASSERT_EQ(OpenDmf(f, dir.Path("w.dmf")), DmfStatus::Ok);
    ASSERT_EQ(ReadDmfHeader(f, h), DmfStatus::Ok);
    ASSERT_EQ(ReadDmfHeights(f, h, z, 4, pitchY, readCtx), DmfStatus::Ok);
    CloseDmf(f);
    EXPECT_EQ(z[0], 1.0f);

    // Grid check against a 3 x 2 work at (0, 0), pitch 1.
    WorkModel g = Block(kDataLevelMinimal);
    g.xMin = 0.0;
    g.yMin = 0.0;
    auto check = [&](double m9, int nx, double pitch) {
        Bytes b;
        b.Header({1, 0, 0, 0, 1, 0, 0, 0, 1, m9, 0, 0}, nx, 2, pitch, 0.0, 0, 1).Put(1.0f);
        b.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(0.0f);
        return CheckDmfGrid(dir.Write("c.dmf", b.s), g);
    };
    EXPECT_EQ(check(0.001, 3, 1.0), 0);  // the limit itself is accepted
    EXPECT_EQ(check(std::nextafter(0.001, 1.0), 3, 1.0), 2);
    EXPECT_EQ(check(-0.0011, 3, 1.0), 2);
    EXPECT_EQ(check(0.0, 4, 1.0), 3);
    EXPECT_EQ(check(0.0, 3, 1.0 + 1e-12), 4);
    EXPECT_EQ(CheckDmfGrid(dir.Path("missing.dmf"), g), 1);
}

TEST(DmfFile, RefusedFilesLeaveTheWorkAlone) {
    TempDir dir;
    DmfContext ctx;
    WorkModel w = Block(kDataLevelFull);
    Cut(w);
    const std::vector<float> before(w.height, w.height + 6);

    Bytes good;
    good.Header(kIdentityAt10_20, 3, 2, 1.0, 0.0, 1, 0);
    for (int i = 0; i < 6; ++i) good.Put(1.0f);
    good.s += std::string(6, '\0');
    good.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(0.0f);
    ASSERT_EQ(good.s.size(), 198u);

    auto patched = [&](std::size_t at, std::int32_t v) {
        std::string s = good.s;
        std::memcpy(&s[at], &v, 4);
        return s;
    };
    std::string magic = good.s;
    magic[6] = 'X';
    std::string nanPitch = good.s;
    const double nan = std::nan("");
    std::memcpy(&nanPitch[124], &nan, 8);
    const struct {
        std::string content;
        DmfStatus status;
    } cases[] = {
        {"", DmfStatus::BadLength},
        {good.s.substr(0, 20), DmfStatus::BadLength},
        {"STL solid model, nothing like a DMF header", DmfStatus::BadMagic},
        {magic, DmfStatus::BadMagic},
        {good.s.substr(0, 197), DmfStatus::BadLength},
        {good.s + "x", DmfStatus::BadLength},
        {patched(112, 1000), DmfStatus::BadLength},      // nx * ny beyond the file
        {patched(116, 100000), DmfStatus::BadLength},
        {patched(112, 65536), DmfStatus::BadLength},
        {patched(112, 70000).replace(116, 4, std::string("\x70\x11\x01\x00", 4)), DmfStatus::BadGrid},
        {patched(112, -3), DmfStatus::BadGrid},
        {patched(116, 1), DmfStatus::BadGrid},
        {patched(148, 5), DmfStatus::BadLength},         // promises line numbers
        {patched(152, 1), DmfStatus::BadLength},         // promises a uniform top
        {nanPitch, DmfStatus::BadGrid},
    };
    for (const auto& c : cases) {
        DmfContext before_ctx = ctx;
        EXPECT_EQ(LoadDmf(dir.Write("bad.dmf", c.content), w, ctx), c.status) << c.content.size();
        EXPECT_EQ(std::vector<float>(w.height, w.height + 6), before);
        EXPECT_EQ(std::tuple(w.xMin, w.nx, w.attr[4]), std::tuple(10.0, 3, 0x13));
        EXPECT_EQ(ctx.matrix, before_ctx.matrix);
        EXPECT_TRUE(DmfLoadMessage(c.status).has_value());
    }
    // Uniform tops: 172 bytes stand for any node count. Refused against a
    // small memory figure before anything is allocated (1.2 GB and 38 GiB
    // at this data level); a small grid still loads within the same figure.
    constexpr std::uint64_t kSmallMemory = 256u << 20;
    for (const auto& [nx, ny] : {std::pair{8192, 8192}, std::pair{65536, 32768}}) {
        Bytes huge;
        huge.Header(kIdentityAt10_20, nx, ny, 1.0, 0.0, 0, 1).Put(1.0f);
        huge.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(0.0f);
        ASSERT_EQ(huge.s.size(), 172u);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long peakBefore = usage.ru_maxrss;  // KiB
        EXPECT_EQ(LoadDmf(dir.Write("huge.dmf", huge.s), w, ctx, kSmallMemory), DmfStatus::MemoryOver) << nx;
        getrusage(RUSAGE_SELF, &usage);
        EXPECT_LT(usage.ru_maxrss - peakBefore, 64 * 1024) << nx;
        EXPECT_EQ(std::vector<float>(w.height, w.height + 6), before);
        EXPECT_EQ(std::tuple(w.nx, w.ny, w.attr[4], w.lineNo[4]), std::tuple(3, 2, 0x13, 7));
    }
    Bytes small;
    small.Header(kIdentityAt10_20, 100, 100, 1.0, 0.0, 0, 1).Put(1.0f);
    small.Put<std::int32_t>(0).Put<std::int32_t>(1).Put(0.0f);
    WorkModel loaded;
    EXPECT_EQ(LoadDmf(dir.Write("small.dmf", small.s), loaded, ctx, kSmallMemory), DmfStatus::Ok);
    EXPECT_EQ(loaded.cellCount, 10000u);

    EXPECT_EQ(LoadDmf(dir.Path("none.dmf"), w, ctx), DmfStatus::NotOpened);
    EXPECT_EQ(LoadDmf(dir.Dir(), w, ctx), DmfStatus::NotOpened);
    EXPECT_EQ(w.height[4], 25.0f);
    EXPECT_EQ(DmfLoadMessage(DmfStatus::MemoryOver), MsgId::MemoryOver);
}

TEST(DmfFile, FailedSaveKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.Path("keep.dmf");
    DmfContext ctx;
    ctx.saveLevel = 3;
    WorkModel w = Block(kDataLevelFull);
    ASSERT_EQ(SaveDmf(path, w, ctx), kDmfSaved);
    const std::string old = TempDir::Read(path);
    ASSERT_EQ(old.size(), 172u + 5);
    auto onlyOneFile = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.Dir())) n += e.is_regular_file();
        return n == 1;
    };

    // The disk "fills up" after 200 bytes of the 222-byte cut work.
    Cut(w);
    int result = kDmfSaved;
    {
        test::FileSizeLimit limit(200);
        ASSERT_TRUE(limit.Set());
        result = SaveDmf(path, w, ctx);
    }
    EXPECT_EQ(result, kDmfWriteFailed);
    EXPECT_EQ(TempDir::Read(path), old);
    EXPECT_TRUE(onlyOneFile());
    EXPECT_EQ(std::tuple(DmfSaveMessage(result), DmfSaveTitle(result)),
              std::tuple(MsgId::DmfWriteError, MsgId::DmfDiskOverTitle));
    EXPECT_FALSE(DmfSaveMessage(kDmfSaved).has_value());

    // A folder that cannot be written (root writes anyway) or does not exist.
    EXPECT_EQ(SaveDmf(dir.Path("no/such/folder.dmf"), w, ctx), kDmfWriteFailed);
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.Dir(), std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_exec);
        EXPECT_EQ(SaveDmf(path, w, ctx), kDmfWriteFailed);
        std::filesystem::permissions(dir.Dir(), std::filesystem::perms::owner_all);
        EXPECT_EQ(TempDir::Read(path), old);
    }
}

}  // namespace
}  // namespace morvex
