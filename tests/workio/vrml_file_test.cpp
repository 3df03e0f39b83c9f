// VRML export: the exact text of the points form, the facet form as a
// closed solid whose faces point out and hold the work's volume, and the
// gzip form as the same text compressed.
#include "workio/vrml_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

WorkModel Work(int nx, int ny, double pitch, double bottom, const std::vector<float>& heights) {
    WorkModel w;
    w.pitch = pitch;
    EXPECT_TRUE(AllocateWork(w, nx, ny, kDataLevelMinimal, true));
    w.xMin = 5.0, w.yMin = -2.0, w.zMin = bottom;
    std::copy(heights.begin(), heights.end(), w.height);
    return w;
}

TEST(Vrml, PointsFormIsTheGridRowsFromTheLastAndTheWorkColour) {
    const WorkModel w = Work(2, 2, 0.5, 0.0, {1.0f, 2.0f, 3.0f, 4.5f});
    TempDir dir;
    VrmlOptions options;
    options.form = kVrmlPoints;
    options.color = 0xFFFFFF;
    ASSERT_EQ(WriteVrml(dir.Path("grid.wrl"), w, options), kFileSaved);
    EXPECT_EQ(TempDir::Read(dir.Path("grid.wrl")),
              "#VRML V2.0 utf8\nShape {\n appearance Appearance {\n  material Material {\n"
              "   diffuseColor 1.000000 1.000000 1.000000\n  }\n }\n"
              " geometry ElevationGrid {\n  xDimension 2\n  zDimension 2\n  xSpacing 0.500000\n"
              "  zSpacing 0.500000\n  height[\n  3.000000,\n  4.500000,\n  1.000000,\n  2.000000\n  ]\n }\n}\n");
    options.color = 0x0080FF;  // red 255, green 128, blue 0
    ASSERT_EQ(WriteVrml(dir.Path("grid.wrl"), w, options), kFileSaved);
    EXPECT_NE(TempDir::Read(dir.Path("grid.wrl")).find("   diffuseColor 1.000000 0.501961 0.000000\n"),
              std::string::npos);
}

// The points and faces of a facet-form file.
struct FaceSet {
    std::vector<std::array<double, 3>> points;
    std::vector<std::vector<long>> faces;
};

FaceSet Parse(const std::string& text) {
    FaceSet s;
    const std::size_t p0 = text.find("point [\n") + 8, p1 = text.find("      ]\n");
    std::istringstream points(text.substr(p0, p1 - p0));
    std::string line;
    while (std::getline(points, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream in(line);
        std::array<double, 3> p{};
        in >> p[0] >> p[1] >> p[2];
        s.points.push_back(p);
    }
    const std::size_t f0 = text.find("coordIndex [\n") + 13, f1 = text.find("    ]\n", f0);
    std::string faces = text.substr(f0, f1 - f0);
    std::replace(faces.begin(), faces.end(), ',', ' ');
    std::istringstream in(faces);
    std::vector<long> face;
    long k = 0;
    while (in >> k) {
        if (k == -1) {
            s.faces.push_back(face);
            face.clear();
        } else {
            face.push_back(k);
        }
    }
    EXPECT_TRUE(face.empty());
    return s;
}

TEST(Vrml, FacetFormIsAClosedSolidFacingOutwards) {
    std::vector<float> heights;
    for (int iy = 0; iy < 4; ++iy) {
        for (int ix = 0; ix < 5; ++ix) heights.push_back(static_cast<float>(3.0 + std::sin(ix + 2.0 * iy)));
    }
    heights[7] = 0.5f;  // below the bottom: written at it
    const WorkModel w = Work(5, 4, 0.25, 1.0, heights);
    TempDir dir;
    VrmlOptions options;
    ASSERT_EQ(WriteVrml(dir.Path("solid.wrl"), w, options), kFileSaved);
    const std::string text = TempDir::Read(dir.Path("solid.wrl"));
    const FaceSet s = Parse(text);
    ASSERT_EQ(s.points.size(), 20u + 14u);  // the nodes, then the outline at the bottom
    EXPECT_EQ(s.points[7][2], 1.0);
    EXPECT_EQ(s.points[0][0], 5.0);
    EXPECT_EQ(s.points[0][1], -2.0);
    std::map<std::pair<long, long>, int> edges;
    double volume = 0.0;  // above the bottom, by the divergence theorem over fans
    for (const std::vector<long>& f : s.faces) {
        ASSERT_GE(f.size(), 3u);
        for (std::size_t i = 0; i < f.size(); ++i) {
            ASSERT_LT(static_cast<std::size_t>(f[i]), s.points.size());
            ++edges[{f[i], f[(i + 1) % f.size()]}];
        }
        for (std::size_t i = 1; i + 1 < f.size(); ++i) {
            auto a = s.points[static_cast<std::size_t>(f[0])], b = s.points[static_cast<std::size_t>(f[i])],
                 c = s.points[static_cast<std::size_t>(f[i + 1])];
            a[2] -= 1.0, b[2] -= 1.0, c[2] -= 1.0;
            volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                       a[2] * (b[0] * c[1] - b[1] * c[0])) / 6.0;
        }
    }
    for (const auto& [edge, count] : edges) {
        ASSERT_EQ(count, 1);
        ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << edge.first << "-" << edge.second;
    }
    // The top quads split from their first corner, as the fans above.
    double expected = 0.0;
    auto h = [&](int ix, int iy) { return std::max(static_cast<double>(heights[static_cast<std::size_t>(iy * 5 + ix)]), 1.0) - 1.0; };
    for (int iy = 0; iy < 3; ++iy) {
        for (int ix = 0; ix < 4; ++ix) {
            expected += 0.03125 * ((h(ix, iy) + h(ix + 1, iy) + h(ix + 1, iy + 1)) / 3.0) +
                        0.03125 * ((h(ix, iy) + h(ix + 1, iy + 1) + h(ix, iy + 1)) / 3.0);
        }
    }
    EXPECT_NEAR(volume, expected, 1e-5);
}

TEST(Vrml, CompressedFormIsTheSameTextGzipped) {
    std::vector<float> heights(30 * 20);
    for (std::size_t i = 0; i < heights.size(); ++i) heights[i] = static_cast<float>(i % 7) * 0.25f;
    const WorkModel w = Work(30, 20, 1.0, -1.0, heights);
    TempDir dir;
    for (int form : {kVrmlFacets, kVrmlPoints}) {
        VrmlOptions options;
        options.form = form;
        ASSERT_EQ(WriteVrml(dir.Path("plain.wrl"), w, options), kFileSaved);
        options.gzip = true;
        ASSERT_EQ(WriteVrml(dir.Path("packed.wrl"), w, options), kFileSaved);
        const std::string plain = TempDir::Read(dir.Path("plain.wrl"));
        const std::string packed = TempDir::Read(dir.Path("packed.wrl"));
        ASSERT_GE(packed.size(), 2u);
        EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x1f);
        EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x8b);
        EXPECT_LT(packed.size(), plain.size());
        gzFile in = gzopen(dir.Path("packed.wrl").c_str(), "rb");
        ASSERT_NE(in, nullptr);
        std::string unpacked(plain.size() + 16, '\0');
        const int n = gzread(in, unpacked.data(), static_cast<unsigned>(unpacked.size()));
        gzclose(in);
        unpacked.resize(static_cast<std::size_t>(std::max(n, 0)));
        EXPECT_EQ(unpacked, plain) << form;
    }
    // No folder to write into: a failure, and nothing left behind.
    EXPECT_NE(WriteVrml(dir.Path("none/x.wrl"), w, VrmlOptions{}), kFileSaved);
}

}  // namespace
}  // namespace morvex
