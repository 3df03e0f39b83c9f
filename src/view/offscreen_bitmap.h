// The off-screen bitmap the work is drawn into before the window shows it.
#pragma once

#include <QImage>

#include "view/display_settings.h"

namespace morvex {

QColor ToQColor(ColorRef color);

// A bitmap of `width` x `height` pixels cleared to `background`; an empty
// image when the size is not positive or memory runs out.
QImage CreateOffscreenBitmap(int width, int height, ColorRef background);

}  // namespace morvex
