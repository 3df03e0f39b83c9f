// Filled triangles written straight into a 32-bit image, for the surface of
// the work: a full redraw at drawing step 1 fills millions of triangles of
// a pixel or less, where setting up a painter path per triangle costs far
// more than the pixels. A pixel is filled when its centre lies inside; a
// centre on an edge belongs to one of the two triangles sharing the edge, so
// a mesh of triangles is filled without gaps and without overlaps.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>

namespace morvex {

class PixelFill {
public:
    // Fills within `clip` (clipped to the image). The image must be of a
    // 32-bit format (RGB32, ARGB32 or premultiplied ARGB32).
    PixelFill(QImage& image, const QRect& clip);

    static bool Takes(const QImage& image);

    void Triangle(QPoint a, QPoint b, QPoint c, std::uint32_t rgb);
    // A convex quadrilateral a, b, c, d as the triangles abc and acd.
    void Quad(QPoint a, QPoint b, QPoint c, QPoint d, std::uint32_t rgb) {
        Triangle(a, b, c, rgb);
        Triangle(a, c, d, rgb);
    }

private:
    std::uint32_t* bits_ = nullptr;
    std::ptrdiff_t stride_ = 0;  // pixels per row
    int left_ = 0, top_ = 0, right_ = -1, bottom_ = -1;  // inclusive
};

}  // namespace morvex
