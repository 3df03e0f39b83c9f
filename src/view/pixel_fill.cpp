#include "view/pixel_fill.h"

namespace morvex {

PixelFill::PixelFill(QImage& image, const QRect& clip) {
    if (!Takes(image)) return;
    const QRect r = clip.intersected(image.rect());
    if (r.isEmpty()) return;
    bits_ = reinterpret_cast<std::uint32_t*>(image.bits());
    stride_ = image.bytesPerLine() / 4;
    left_ = r.left();
    top_ = r.top();
    right_ = r.right();
    bottom_ = r.bottom();
}

bool PixelFill::Takes(const QImage& image) {
    const QImage::Format f = image.format();
    return !image.isNull() && (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
                               f == QImage::Format_ARGB32_Premultiplied);
}

}  // namespace morvex
