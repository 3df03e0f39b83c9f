// Clipboard, quick view and printing of the picture.
#include "frame/gui/picture_output.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

#include "base/messages.h"
#include "base/paths.h"
#include "platform/host.h"
#include "view/png_file.h"

namespace morvex {

bool CopyPicture(const QImage& picture) {
    if (picture.isNull()) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setImage(picture);
    return true;
}

bool QuickViewPicture(const QImage& picture, const std::string& folder, Host& host) {
    const std::string path = JoinPath(folder, "tmp.png");
    if (!WritePng(path, picture)) return false;
    return host.OpenWithViewer(path);
}

double PrintScale(int printerDpi, int screenDpi) {
    if (printerDpi <= 0 || screenDpi <= 0) return 1.0;
    return static_cast<double>(printerDpi) / screenDpi;
}

bool PrintPicture(const QImage& picture, QPrinter& printer, int screenDpi) {
    if (picture.isNull()) return false;
    printer.setDocName(QString::fromUtf8(kMessageCaption.data(), static_cast<int>(kMessageCaption.size())));
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const double sx = PrintScale(printer.logicalDpiX(), screenDpi);
    const double sy = PrintScale(printer.logicalDpiY(), screenDpi);
    const QRectF target(0.0, 0.0, picture.width() * sx, picture.height() * sy);
    painter.drawImage(target, picture);
    return painter.end();
}

}  // namespace morvex
