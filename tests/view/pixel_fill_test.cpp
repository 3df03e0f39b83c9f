// The direct triangle fill: a jittered mesh of triangles covers every pixel
// of its outline exactly once (no gaps, no double fills along shared edges),
// in either winding, and nothing outside the clip.
#include "view/pixel_fill.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace morvex {
namespace {

TEST(PixelFill, MeshCoversEachPixelOnceAndKeepsToTheClip) {
    constexpr int kCells = 12, kSize = 10, kSide = kCells * kSize;  // 120 x 120 pixels
    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitter(-2, 2);
    std::vector<QPoint> grid((kCells + 1) * (kCells + 1));
    for (int j = 0; j <= kCells; ++j) {
        for (int i = 0; i <= kCells; ++i) {
            const bool border = i == 0 || j == 0 || i == kCells || j == kCells;
            grid[j * (kCells + 1) + i] = QPoint(i * kSize + (border ? 0 : jitter(random)),
                                                j * kSize + (border ? 0 : jitter(random)));
        }
    }
    std::vector<int> count(kSide * kSide, 0);
    QImage one(kSide, kSide, QImage::Format_RGB32);
    auto add = [&](QPoint a, QPoint b, QPoint c) {
        one.fill(0u);
        PixelFill fill(one, one.rect());
        fill.Triangle(a, b, c, 0xFFFFFFFFu);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) count[y * kSide + x] += one.pixel(x, y) == 0xFFFFFFFFu;
        }
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
    EXPECT_EQ(wrong, 0);

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
    EXPECT_FALSE(PixelFill::Takes(QImage(4, 4, QImage::Format_RGB888)));
}

}  // namespace
}  // namespace morvex
