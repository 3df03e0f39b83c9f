// Clipboard, quick view and printing of the picture.
#include "frame/gui/picture_output.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>

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

bool PrinterTakesRaster(QPrinter& printer) {
    if (!printer.isValid()) return false;
    const QPaintEngine* engine = printer.paintEngine();
    return engine != nullptr && engine->hasFeature(QPaintEngine::PixmapTransform);
}

AskPrintSettings PrintDialogOf(QWidget* parent) {
    return [parent](QPrinter& printer) {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
}

bool PrintCommand(PrintState& state, const QImage& picture, int screenDpi, const AskPrintSettings& ask, Host& host) {
    const bool first = state.printer == nullptr;
    if (first) state.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter& printer = *state.printer;
    // The default printer needs no questions the first time; without any
    // printer the dialog is the way to a PDF file.
    const bool haveDefault = !QPrinterInfo::defaultPrinter().isNull();
    if (!first || !haveDefault) {
        if (!ask || !ask(printer)) return false;
    }
    if (!PrinterTakesRaster(printer)) {
        MessageRequest error;
        error.text = std::string(Msg(MsgId::CannotPrintRaster));
        error.caption = std::string(Msg(MsgId::ErrorCaption));
        error.kind = MessageKind::Error;
        host.ShowMessage(error);
        return false;
    }
    if (PrintPicture(picture, printer, screenDpi)) return true;
    // Say where it failed: the PDF file that cannot be written, or the printer.
    const QString where = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    ShowError(host, std::string(Msg(MsgId::ImageNotWritten)) + where.toStdString());
    return false;
}

}  // namespace morvex
