// STL models: the written solid is closed, outward-facing and holds the
// volume under the work's surface in all three forms; the tolerant text
// parser; form recognition; models loaded as works give the exact heights
// of their facets; broken files are refused and leave the work alone.
#include "workio/stl_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "../support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

// A work of nx x ny nodes at (xMin, yMin) with heights from f.
template <class F>
WorkModel Work(int nx, int ny, double pitch, double xMin, double yMin, double bottom, F f) {
    WorkModel w;
    w.pitch = pitch;
    EXPECT_TRUE(AllocateWork(w, nx, ny, kDataLevelMinimal, true));
    w.xMin = xMin, w.yMin = yMin, w.zMin = bottom;
    w.xMax = xMin + (nx - 1) * pitch, w.yMax = yMin + (ny - 1) * pitch;
    for (int iy = 0; iy < ny; ++iy) {
        for (int ix = 0; ix < nx; ++ix) w.height[NodeIndex(w, ix, iy)] = static_cast<float>(f(ix, iy));
    }
    std::fill(w.attr, w.attr + w.cellCount, std::uint8_t{0});
    RecomputeZMax(w);
    return w;
}

std::vector<StlFacet> ReadAll(const std::string& path, int expectType) {
    int type = 0;
    EXPECT_EQ(DetectStlType(path, type), StlStatus::Ok);
    EXPECT_EQ(type, expectType) << path;
    std::vector<StlFacet> facets;
    EXPECT_EQ(ForEachStlFacet(type, path, [&](const StlFacet& f) {
                  facets.push_back(f);
                  return true;
              }),
              StlStatus::Ok);
    return facets;
}

// Binary STL bytes of the facets, in either byte order.
std::string BinaryStl(const std::vector<StlFacet>& facets, bool big, std::uint32_t count) {
    std::string s(80, ' ');
    auto u32 = [&](std::uint32_t u) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>(big ? u >> (24 - 8 * i) : u >> (8 * i));
    };
    auto f32 = [&](double v) {
        const auto f = static_cast<float>(v);
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        u32(u);
    };
    u32(count);
    for (const StlFacet& f : facets) {
        for (double c : f.normal) f32(c);
        for (const Point& p : f.v) {
            for (double c : p) f32(c);
        }
        s += std::string(2, '\0');
    }
    return s;
}

TEST(Stl, WrittenSolidIsClosedFacesOutwardsAndHoldsTheVolumeUnderTheSurface) {
    // Waves, one node cut through the bottom (written at the bottom) and
    // one exactly at it: their walls lose a triangle, the solid stays closed.
    WorkModel w = Work(9, 6, 0.5, 10.0, -4.0, 2.0, [](int ix, int iy) {
        if (ix == 0 && iy == 2) return 1.0;
        if (ix == 8 && iy == 5) return 2.0;
        return 5.0 + std::sin(ix * 0.7) * std::cos(iy * 0.9);
    });
    // The volume under the triangulated surface, split as the writer splits.
    auto node = [&](int ix, int iy) { return std::max(static_cast<double>(w.height[NodeIndex(w, ix, iy)]), 2.0); };
    double expected = 0.0;
    for (int iy = 0; iy + 1 < w.ny; ++iy) {
        for (int ix = 0; ix + 1 < w.nx; ++ix) {
            const double a = node(ix, iy), b = node(ix + 1, iy), c = node(ix, iy + 1), d = node(ix + 1, iy + 1);
            expected += 0.125 * ((a + b + c) / 3.0 - 2.0) + 0.125 * ((d + c + b) / 3.0 - 2.0);
        }
    }
    TempDir dir;
    const std::tuple<std::string, int, double> forms[] = {
        {"text.stl", kStlText, 2e-5}, {"little.stl", kStlBinaryLittle, 2e-5}, {"big.stl", kStlBinaryBig, 2e-5}};
    std::vector<std::vector<StlFacet>> read;
    for (const auto& [name, type, tolerance] : forms) {
        const std::string path = dir.Path(name);
        ASSERT_EQ(WriteStl(path, w, type), kFileSaved) << name;
        const std::vector<StlFacet> facets = ReadAll(path, type);
        // Each directed edge once, and its reverse once: closed and
        // consistently oriented. Vertices keyed by their rounded position.
        auto key = [](const Point& p) {
            return std::make_tuple(std::lround(p[0] * 1e4), std::lround(p[1] * 1e4), std::lround(p[2] * 1e4));
        };
        std::map<std::pair<decltype(key(Point{})), decltype(key(Point{}))>, int> edges;
        double volume = 0.0;
        for (const StlFacet& f : facets) {
            for (int e = 0; e < 3; ++e) ++edges[{key(f.v[e]), key(f.v[(e + 1) % 3])}];
            const Point& a = f.v[0];
            const Point& b = f.v[1];
            const Point& c = f.v[2];
            // Divergence theorem with the bottom as reference height.
            const double az = a[2] - 2.0, bz = b[2] - 2.0, cz = c[2] - 2.0;
            volume += (a[0] * (b[1] * cz - bz * c[1]) - a[1] * (b[0] * cz - bz * c[0]) + az * (b[0] * c[1] - b[1] * c[0])) / 6.0;
            // The stated normal is the unit normal of the vertices' order.
            const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
            const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
            const double n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
            const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            ASSERT_GT(len, 0.0);
            for (int i = 0; i < 3; ++i) ASSERT_NEAR(f.normal[i], n[i] / len, 1e-3) << name;
        }
        for (const auto& [edge, count] : edges) {
            ASSERT_EQ(count, 1) << name;
            const auto reverse = edges.find({edge.second, edge.first});
            ASSERT_TRUE(reverse != edges.end()) << name;
            ASSERT_EQ(reverse->second, 1) << name;
        }
        EXPECT_NEAR(volume, expected, tolerance * 100) << name;
        read.push_back(facets);
    }
    // Both byte orders describe the same solid bit for bit, the text within its six decimals.
    ASSERT_EQ(read[1].size(), read[0].size());
    ASSERT_EQ(read[2].size(), read[1].size());
    for (std::size_t i = 0; i < read[1].size(); ++i) {
        for (std::size_t v = 0; v < 3; ++v) {
            EXPECT_EQ(read[1][i].v[v], read[2][i].v[v]);
            for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(read[0][i].v[v][k], read[1][i].v[v][k], 1e-6);
        }
    }
    // The binary header: the title and a blank, then zeros; the count.
    const std::string bytes = TempDir::Read(dir.Path("little.stl"));
    EXPECT_EQ(bytes.substr(0, 11), "little.stl ");
    EXPECT_EQ(bytes.substr(11, 69), std::string(69, '\0'));
    EXPECT_EQ(bytes.size(), 84 + 50 * read[1].size());
    const std::string text = TempDir::Read(dir.Path("text.stl"));
    EXPECT_EQ(text.substr(0, 20), "solid\n  facet normal");
    EXPECT_EQ(text.substr(text.size() - 9), "endsolid\n");
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(Stl, WorkWrittenAndLoadedBackKeepsItsGridAndHeights) {
    WorkModel w = Work(41, 23, 0.25, -3.0, 7.5, -1.0,
                       [](int ix, int iy) { return 2.0 + 0.5 * std::sin(ix * 0.3) + 0.02 * iy * iy; });
    TempDir dir;
    for (int type : {kStlText, kStlBinaryLittle, kStlBinaryBig}) {
        const std::string path = dir.Path("w" + std::to_string(type) + ".stl");
        ASSERT_EQ(WriteStl(path, w, type), kFileSaved);
        WorkModel back;
        StlLoadOptions options;
        options.pitch = 0.25;
        options.dataLevel = kDataLevelMinimal;
        // Each of the two passes reports its caption and reaches the whole file.
        std::vector<std::pair<MsgId, double>> heard;
        Progress progress;
        progress.stage = [&](MsgId id) { heard.emplace_back(id, 0.0); };
        progress.advance = [&](double share) {
            ASSERT_FALSE(heard.empty());
            EXPECT_GE(share, heard.back().second);
            heard.back().second = share;
        };
        options.progress = &progress;
        ASSERT_EQ(LoadStlWork(path, options, back), StlStatus::Ok);
        ASSERT_EQ(heard.size(), 2u);
        EXPECT_EQ(heard[0], std::make_pair(MsgId::StatusMinMax, 1.0));
        EXPECT_EQ(heard[1], std::make_pair(MsgId::StatusZValue, 1.0));
        ASSERT_EQ(back.nx, 41);
        ASSERT_EQ(back.ny, 23);
        EXPECT_NEAR(back.xMin, -3.0, 1e-6);
        EXPECT_NEAR(back.yMin, 7.5, 1e-6);
        EXPECT_NEAR(back.zMin, -1.0, 1e-6);
        EXPECT_EQ(back.workState, 2);
        for (std::uint32_t i = 0; i < w.cellCount; ++i) {
            ASSERT_NEAR(back.height[i], w.height[i], type == kStlText ? 2e-6 : 1e-6) << type << " node " << i;
        }
    }
}

TEST(Stl, TextParserToleratesCaseSplitKeywordsAndMissingNumbers) {
    TempDir dir;
    const std::string longLine(300, 'x');
    const std::string path = dir.Write("odd.stl",
                                       "solid part one\n"
                                       "FACET NORMAL 0 0 1\n"
                                       "\tOuter Loop\n"
                                       "  VERTEX 1 2 3\n"
                                       "  vertex -1.5e1 .5 +7\n"
                                       "  vertex\n"
                                       " End Loop\n"
                                       "endfacet\n" +
                                           longLine +
                                           "\n"
                                           "facet normal 0 0 1\r\n outer loop\r\n vertex 1,5 2 3\r\n vertex 4 5 6\r\n"
                                           "vertex 7 8 9\r\n eNdLoOp\r\n end facet\r\n"
                                           "facet normal 0 0 1\n outer loop\n vertex 1 1 1\n vertex 2 2 2\n endloop\n"
                                           "endsolid part one\n"
                                           "facet normal 0 0 1\n outer loop\n vertex 9 9 9\n vertex 9 9 9\n"
                                           "vertex 9 9 9\n endloop\n");
    const std::vector<StlFacet> facets = ReadAll(path, kStlText);
    // The loop of two vertices is no facet; nothing after endsolid counts.
    ASSERT_EQ(facets.size(), 2u);
    EXPECT_EQ(facets[0].v[0], (Point{1, 2, 3}));
    EXPECT_EQ(facets[0].v[1], (Point{-15, 0.5, 7}));
    EXPECT_EQ(facets[0].v[2], (Point{0, 0, 0}));
    EXPECT_EQ(facets[0].normal, (Point{0, 0, 1}));
    // "1,5": the number ends at the comma, the next starts after a blank.
    EXPECT_EQ(facets[1].v[0], (Point{1, 2, 3}));
    EXPECT_EQ(facets[1].v[2], (Point{7, 8, 9}));

    // "facet" only after byte 249: binary.
    const std::string late = dir.Write("late.stl", std::string(250, ' ') + "facet normal 0 0 1\n");
    int type = 0;
    ASSERT_EQ(DetectStlType(late, type), StlStatus::Ok);
    EXPECT_EQ(type, kStlBinaryLittle);
    const std::string early = dir.Write("early.stl", std::string(249, ' ') + "Facet normal 0 0 1\n");
    ASSERT_EQ(DetectStlType(early, type), StlStatus::Ok);
    EXPECT_EQ(type, kStlText);
}

// A roof over 10 x 6: two planes meeting at y = 3, every facet with a zero
// normal as some exporters write them, plus vertical walls.
std::vector<StlFacet> Roof() {
    const Point a{0, 0, 1}, b{10, 0, 1}, c{10, 3, 4}, d{0, 3, 4}, e{0, 6, 2}, f{10, 6, 2};
    const Point a0{0, 0, 0}, b0{10, 0, 0};
    return {StlFacet{{}, {a, b, c}}, StlFacet{{}, {a, c, d}}, StlFacet{{}, {d, c, f}},
            StlFacet{{}, {d, f, e}}, StlFacet{{}, {a0, b0, b}}, StlFacet{{}, {a0, b, a}}};
}

double RoofHeight(double, double y) { return y <= 3.0 ? 1.0 + y : 4.0 - (y - 3.0) * 2.0 / 3.0; }

TEST(Stl, LoadedModelGivesItsExactHeightsInEitherByteOrder) {
    TempDir dir;
    std::vector<WorkModel> works;
    for (bool big : {false, true}) {
        const std::vector<StlFacet> roof = Roof();
        const std::string path = dir.Write(big ? "big.stl" : "little.stl", BinaryStl(roof, big, roof.size()));
        int type = 0;
        ASSERT_EQ(DetectStlType(path, type), StlStatus::Ok);
        EXPECT_EQ(type, big ? kStlBinaryBig : kStlBinaryLittle);
        WorkModel w;
        StlLoadOptions options;
        options.pitch = 0.1;
        options.dataLevel = kDataLevelLineNumbers;
        ASSERT_EQ(LoadStlWork(path, options, w), StlStatus::Ok);
        // 10 / 0.1 + 1.001 and 6 / 0.1 + 1.001, truncated.
        ASSERT_EQ(w.nx, 101);
        ASSERT_EQ(w.ny, 61);
        EXPECT_EQ(w.zMin, 0.0);
        EXPECT_EQ(w.zMax, 4.0);
        for (int iy = 0; iy < w.ny; ++iy) {
            for (int ix = 0; ix < w.nx; ++ix) {
                const double x = ix * 0.1, y = iy * 0.1;
                ASSERT_NEAR(w.height[NodeIndex(w, ix, iy)], RoofHeight(x, y), 1e-4) << ix << "," << iy;
                ASSERT_EQ(w.lineNo[NodeIndex(w, ix, iy)], 0);
            }
        }
        works.push_back(std::move(w));
    }
    for (std::uint32_t i = 0; i < works[0].cellCount; ++i) ASSERT_EQ(works[0].height[i], works[1].height[i]);

    // A model flat in Y (vertical facets only): two rows, nothing raised.
    const std::vector<StlFacet> strip = {StlFacet{{}, {Point{0, 5, 0}, Point{100, 5, 0}, Point{0, 5, 3}}},
                                         StlFacet{{}, {Point{0, 5, 0}, Point{40, 5, 2}, Point{0, 5.0, 2}}}};
    const std::string flat = dir.Write("flat.stl", BinaryStl(strip, false, 2));
    WorkModel w;
    StlLoadOptions options;
    options.pitch = 1.0;
    ASSERT_EQ(LoadStlWork(flat, options, w), StlStatus::Ok);
    EXPECT_EQ(w.nx, 101);
    EXPECT_EQ(w.ny, 2);
    for (std::uint32_t i = 0; i < w.cellCount; ++i) EXPECT_EQ(w.height[i], 0.0f);  // vertical facets only
}

TEST(Stl, SpikeFilterFillsSingleNodesBetweenFacets) {
    std::vector<float> h = {5, 0, 5, 0, 0, 3, 0, 3,  //
                            0, 0, 0, 0, 0, 0, 0, 0,  //
                            5, 0, 7, 0, 0, 0, 0, 0};
    StlSpikeFilter(h.data(), 8, 3, 0.0);
    EXPECT_EQ(h[1], 5.0f);  // between 5 and 5
    EXPECT_EQ(h[3], 0.0f);  // two at the bottom are a gap, not a spike
    EXPECT_EQ(h[6], 3.0f);
    EXPECT_EQ(h[17], 6.0f);  // rows first...
    EXPECT_EQ(h[8], 5.0f);   // ...then columns, on the rows' result
    EXPECT_EQ(h[9], 5.5f);
    EXPECT_EQ(h[10], 6.0f);
    EXPECT_EQ(h[13], 0.0f);  // 3 above, the bottom below
}

TEST(Stl, BrokenFilesAreRefusedAndLeaveTheWorkAlone) {
    TempDir dir;
    const std::vector<StlFacet> roof = Roof();
    std::string whole = BinaryStl(roof, false, roof.size());
    std::string nan = whole;
    const float bad = std::nanf("");
    std::memcpy(&nan[84 + 50 * 2 + 12], &bad, 4);
    std::string inf = whole;
    const float huge = HUGE_VALF;
    std::memcpy(&inf[84 + 50 * 5 + 40], &huge, 4);
    const std::vector<StlFacet> far = {StlFacet{{}, {Point{0, 0, 0}, Point{1e9, 0, 1}, Point{0, 1e9, 1}}}};
    const std::tuple<std::string, std::string, StlStatus> cases[] = {
        {"truncated.stl", whole.substr(0, whole.size() - 30), StlStatus::BadCount},
        {"short.stl", whole.substr(0, 60), StlStatus::BadCount},
        {"count.stl", BinaryStl(roof, false, 0x7fffffffu), StlStatus::BadCount},
        {"nan.stl", nan, StlStatus::BadNumber},
        {"inf.stl", inf, StlStatus::BadNumber},
        {"overflow.stl", "solid\nfacet normal 0 0 1\nouter loop\nvertex 1e999 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n",
         StlStatus::BadNumber},
        {"empty.stl", "", StlStatus::Empty},
        {"nofacets.stl", "solid x\nfacet normal 0 0 1\nendsolid x\n", StlStatus::NoFacets},
        {"zero.stl", BinaryStl({}, false, 0), StlStatus::NoFacets},
        {"far.stl", BinaryStl(far, false, 1), StlStatus::MemoryOver},
    };
    WorkModel w = Work(3, 3, 1.0, 0, 0, 0, [](int ix, int iy) { return ix + iy; });
    for (const auto& [name, content, status] : cases) {
        const std::string path = dir.Write(name, content);
        StlLoadOptions options;
        options.pitch = 0.01;
        EXPECT_EQ(LoadStlWork(path, options, w), status) << name;
        ASSERT_EQ(w.nx, 3) << name;
        EXPECT_EQ(w.height[8], 4.0f) << name;
        EXPECT_TRUE(StlLoadMessage(status).has_value()) << name;
    }
    StlLoadOptions options;
    EXPECT_EQ(LoadStlWork(dir.Path("missing.stl"), options, w), StlStatus::NotOpened);
    // A model that would need more memory than there is: refused before allocation.
    const std::string path = dir.Write("roof.stl", whole);
    options.pitch = 0.1;
    EXPECT_EQ(LoadStlWork(path, options, w, std::uint64_t{1} << 20), StlStatus::MemoryOver);
    EXPECT_EQ(w.nx, 3);

    // A write that cannot happen leaves no file and no temporary behind.
    EXPECT_NE(WriteStl(dir.Path("no/such/folder/out.stl"), w, kStlBinaryLittle), kFileSaved);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no")));
}

}  // namespace
}  // namespace morvex
