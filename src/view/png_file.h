// Writing the picture of the view as a PNG file with libpng: 8-bit RGB, not
// interlaced, default compression and filters.
#pragma once

#include <QImage>
#include <string>

namespace morvex {

// Writes the pixels of `image` (the drawing rectangle) to `path`, through a
// temporary file renamed into place, so a failed write leaves an older file
// whole. False when the image is empty or the file cannot be written.
[[nodiscard]] bool WritePng(const std::string& path, const QImage& image);

}  // namespace morvex
