// The picture of the view leaving the program: copied to the clipboard,
// shown in the system's image viewer, printed.
#pragma once

#include <QImage>
#include <QPrinter>
#include <functional>
#include <memory>
#include <string>

class QWidget;

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

// Whether the printer takes a picture: it must be valid and able to draw
// images through its paint engine.
bool PrinterTakesRaster(QPrinter& printer);

// The print settings kept from the first print until the program ends.
struct PrintState {
    std::unique_ptr<QPrinter> printer;
};

// Shows the print dialog on `printer`; false when it was cancelled.
using AskPrintSettings = std::function<bool(QPrinter& printer)>;
AskPrintSettings PrintDialogOf(QWidget* parent);

// The print command. The first use takes the default printer without a
// dialog; later uses (and a first use on a machine without printers, where
// printing to a PDF file is offered) ask with the remembered settings. A
// cancelled dialog prints nothing; a printer that cannot print images gets
// "Cannot Print Raster Images", one that fails to print (a PDF file that
// cannot be written) a message naming it. True when the picture was printed.
bool PrintCommand(PrintState& state, const QImage& picture, int screenDpi, const AskPrintSettings& ask, Host& host);

}  // namespace morvex
