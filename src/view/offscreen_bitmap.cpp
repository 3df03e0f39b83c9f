// Off-screen bitmap on QImage.
#include "view/offscreen_bitmap.h"

namespace morvex {

QColor ToQColor(ColorRef color) {
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

QImage CreateOffscreenBitmap(int width, int height, ColorRef background) {
    if (width <= 0 || height <= 0) return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(ToQColor(background));
    return image;
}

}  // namespace morvex
