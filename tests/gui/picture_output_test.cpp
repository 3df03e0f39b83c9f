// The picture leaving the program: the print scale, printing to a PDF file
// on a machine without printers, the clipboard, and the quick view file.
#include "frame/gui/picture_output.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <filesystem>
#include <fstream>

#include "base/messages.h"
#include "support/recording_host.h"

namespace morvex {
namespace {

QImage Picture() {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(qRgb(0, 128, 255));
    return image;
}

TEST(PictureOutput, PrintScaleAndPdf) {
    EXPECT_DOUBLE_EQ(PrintScale(600, 96), 6.25);
    EXPECT_DOUBLE_EQ(PrintScale(96, 96), 1.0);
    EXPECT_DOUBLE_EQ(PrintScale(0, 96), 1.0);
    const std::string pdf = (std::filesystem::temp_directory_path() / "morvex-print-test.pdf").string();
    std::filesystem::remove(pdf);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_TRUE(PrintPicture(Picture(), printer, 96));
    std::ifstream in(pdf, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
    EXPECT_FALSE(PrintPicture(QImage(), printer, 96));
    std::filesystem::remove(pdf);
}

// The print command: the dialog is asked on every use after the first (and
// on the first when the machine has no default printer), keeps its
// settings, and a cancelled dialog or a printer that cannot take images
// prints nothing.
TEST(PictureOutput, PrintCommandRemembersItsSettings) {
    const std::string pdf = (std::filesystem::temp_directory_path() / "morvex-print-command.pdf").string();
    std::filesystem::remove(pdf);
    test::RecordingHost host;
    PrintState state;
    int asked = 0;
    QString seen;
    const AskPrintSettings toPdf = [&](QPrinter& printer) {
        ++asked;
        seen = printer.outputFileName();
        if (seen.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf));
        }
        return true;
    };
    const bool noPrinters = QPrinterInfo::defaultPrinter().isNull();
    if (noPrinters) {
        ASSERT_TRUE(PrintCommand(state, Picture(), 96, toPdf, host));
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(std::filesystem::exists(pdf));
        std::filesystem::remove(pdf);
    } else {
        state.printer = std::make_unique<QPrinter>();
        state.printer->setOutputFormat(QPrinter::PdfFormat);
        state.printer->setOutputFileName(QString::fromStdString(pdf));
    }
    // The second use asks again, with the file of the first.
    const int before = asked;
    ASSERT_TRUE(PrintCommand(state, Picture(), 96, toPdf, host));
    EXPECT_EQ(asked, before + 1);
    EXPECT_EQ(seen.toStdString(), pdf);
    EXPECT_TRUE(std::filesystem::exists(pdf));
    std::filesystem::remove(pdf);
    // Cancelled: nothing printed.
    EXPECT_FALSE(PrintCommand(state, Picture(), 96, [](QPrinter&) { return false; }, host));
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_TRUE(host.messages.empty());
    // A PDF file that cannot be written: nothing printed, and the user is told where.
    const AskPrintSettings unwritable = [](QPrinter& printer) {
        printer.setOutputFileName(QStringLiteral("/nonexistent-morvex-folder/out.pdf"));
        return true;
    };
    SetEnglish(true);
    EXPECT_FALSE(PrintCommand(state, Picture(), 96, unwritable, host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "The picture could not be written: /nonexistent-morvex-folder/out.pdf");
}

TEST(PictureOutput, ClipboardAndQuickView) {
    ASSERT_TRUE(CopyPicture(Picture()));
    const QImage back = QGuiApplication::clipboard()->image();
    ASSERT_EQ(back.size(), QSize(320, 240));
    EXPECT_EQ(back.pixel(10, 10), qRgb(0, 128, 255));
    EXPECT_FALSE(CopyPicture(QImage()));
    // Quick view writes tmp.png (twice: overwritten) and hands it to the viewer.
    test::RecordingHost host;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "morvex-quick-view";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(QuickViewPicture(Picture(), folder.string(), host));
    ASSERT_TRUE(QuickViewPicture(Picture(), folder.string(), host));
    EXPECT_EQ(host.opened.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(folder / "tmp.png"));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace morvex
