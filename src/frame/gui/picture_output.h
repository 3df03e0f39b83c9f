// The picture of the view leaving the program: copied to the clipboard,
// shown in the system's image viewer, printed.
#pragma once

#include <QImage>
#include <QPrinter>
#include <string>

namespace morvex {

class Host;

// Puts the picture on the clipboard as an image; false when it is empty.
bool CopyPicture(const QImage& picture);

// Quick view: writes "tmp.png" into `folder` (overwriting it) and opens it
// with the system's image viewer.
bool QuickViewPicture(const QImage& picture, const std::string& folder, Host& host);

// Printer pixels per screen pixel: printer resolution / screen resolution
// (600 dpi on a 96 dpi screen: 6.25).
double PrintScale(int printerDpi, int screenDpi);

// Prints the picture from the page's top-left corner at its size on the
// screen times PrintScale, as the document "MORVEX2000". False when the
// printer cannot be started or the picture is empty.
bool PrintPicture(const QImage& picture, QPrinter& printer, int screenDpi);

}  // namespace morvex
