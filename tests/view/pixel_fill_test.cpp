// The direct triangle fill: a jittered mesh of triangles covers every pixel
// of its outline exactly once (no gaps, no double fills along shared edges),
// in either winding, and nothing outside the clip; a triangle's colour is
// asked only when it has a pixel to fill.
#include "view/pixel_fill.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace morvex {
namespace {

TEST(PixelFill, MeshCoversEachPixelOnceAndKeepsToTheClip) {
    // Cells of 10 pixels with jittered inner nodes, and cells of a pixel,
    // where most triangles cover no pixel centre at all.
    for (const int size : {10, 1}) {
        constexpr int kCells = 12;
        const int side = kCells * size;
        std::mt19937 random(7);
        std::uniform_int_distribution<int> jitter(size > 4 ? -2 : 0, size > 4 ? 2 : 0);
        std::vector<QPoint> grid((kCells + 1) * (kCells + 1));
        for (int j = 0; j <= kCells; ++j) {
            for (int i = 0; i <= kCells; ++i) {
                const bool border = i == 0 || j == 0 || i == kCells || j == kCells;
                grid[j * (kCells + 1) + i] = QPoint(i * size + (border ? 0 : jitter(random)),
                                                    j * size + (border ? 0 : jitter(random)));
            }
        }
        std::vector<int> count(side * side, 0);
        QImage one(side, side, QImage::Format_RGB32);
        auto add = [&](QPoint a, QPoint b, QPoint c) {
            one.fill(0u);
            PixelFill fill(one, one.rect());
            // The colour is asked once, and only of a triangle that covers a centre.
            int asked = 0, filled = 0;
            fill.TriangleOf(a, b, c, [&asked](std::uint32_t& rgb) { return ++asked, rgb = 0xFFFFFFFFu, true; });
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    const bool on = one.pixel(x, y) == 0xFFFFFFFFu;
                    filled += on;
                    count[y * side + x] += on;
                }
            }
            EXPECT_EQ(asked, filled > 0 ? 1 : 0) << size;
        };
        for (int j = 0; j < kCells; ++j) {
            for (int i = 0; i < kCells; ++i) {
                const QPoint p00 = grid[j * (kCells + 1) + i], p10 = grid[j * (kCells + 1) + i + 1];
                const QPoint p01 = grid[(j + 1) * (kCells + 1) + i], p11 = grid[(j + 1) * (kCells + 1) + i + 1];
                add(p00, p10, p01);  // one winding
                add(p11, p10, p01);  // and the other
            }
        }
        int wrong = 0;
        for (const int c : count) wrong += c != 1;
        EXPECT_EQ(wrong, 0) << size;
        // The same mesh with cells cut at the midpoints of their edges (half
        // pixels): into halves across the rows, into quarters about the
        // middle of a diagonal, next to cells of two triangles: still each
        // pixel once.
        std::fill(count.begin(), count.end(), 0);
        auto addHalves = [&](QPoint a, QPoint b, QPoint c) {
            one.fill(0u);
            PixelFill fill(one, one.rect());
            fill.TriangleOfHalves(a, b, c, [](std::uint32_t& rgb) { return rgb = 0xFFFFFFFFu, true; });
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) count[y * side + x] += one.pixel(x, y) == 0xFFFFFFFFu;
            }
        };
        for (int j = 0; j < kCells; ++j) {
            for (int i = 0; i < kCells; ++i) {
                const QPoint p00 = grid[j * (kCells + 1) + i] * 2, p10 = grid[j * (kCells + 1) + i + 1] * 2;
                const QPoint p01 = grid[(j + 1) * (kCells + 1) + i] * 2;
                const QPoint p11 = grid[(j + 1) * (kCells + 1) + i + 1] * 2;
                const auto half = [](QPoint p, QPoint q) { return (p + q) / 2; };
                switch ((i + 2 * j) % 3) {
                case 0:
                    addHalves(p00, p10, p01);
                    addHalves(p11, p01, p10);
                    break;
                case 1: {  // across the rows: midpoints of the edges 00-01 and 10-11
                    const QPoint m0 = half(p00, p01), m1 = half(p10, p11);
                    addHalves(p00, p10, m1), addHalves(p00, m1, m0);
                    addHalves(m0, m1, p11), addHalves(m0, p11, p01);
                    break;
                }
                default: {  // in quarters about the middle of the diagonal 10-01
                    const QPoint b = half(p00, p10), t = half(p01, p11), l = half(p00, p01), r = half(p10, p11);
                    const QPoint c = half(p10, p01);
                    addHalves(p00, b, c), addHalves(p00, c, l), addHalves(b, p10, c), addHalves(l, c, p01);
                    addHalves(p11, t, c), addHalves(p11, c, r), addHalves(p10, r, c), addHalves(c, t, p01);
                    break;
                }
                }
            }
        }
        wrong = 0;
        for (const int c : count) wrong += c != 1;
        EXPECT_EQ(wrong, 0) << "halves " << size;
    }

    // A degenerate triangle fills nothing; a clip keeps the fill inside it.
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(0u);
    PixelFill clipped(image, QRect(10, 10, 10, 10));
    clipped.Triangle(QPoint(0, 0), QPoint(20, 20), QPoint(40, 40), 0xFF0000FFu);
    clipped.Quad(QPoint(-100, -100), QPoint(140, -100), QPoint(140, 140), QPoint(-100, 140), 0xFF00FF00u);
    int inside = 0, outside = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool in = x >= 10 && x < 20 && y >= 10 && y < 20;
            (in ? inside : outside) += image.pixel(x, y) == 0xFF00FF00u;
        }
    }
    EXPECT_EQ(inside, 100);
    EXPECT_EQ(outside, 0);
    // A colour refused fills nothing.
    const QImage before = image.copy();
    clipped.TriangleOf(QPoint(-100, -100), QPoint(140, -100), QPoint(140, 140), [](std::uint32_t&) { return false; });
    EXPECT_EQ(image, before);
    EXPECT_FALSE(PixelFill::Takes(QImage(4, 4, QImage::Format_RGB888)));
}

}  // namespace
}  // namespace morvex
