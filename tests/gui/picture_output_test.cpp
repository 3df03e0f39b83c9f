// The picture leaving the program: the print command printing to a PDF file
// on a machine without printers, the clipboard, and the quick view file.
#include "frame/gui/picture_output.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <filesystem>

#include "base/messages.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

QImage Picture() {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(qRgb(0, 128, 255));
    return image;
}

// The dialog is asked on every use after the first (and on the first when the machine has no
// default printer) and keeps its settings; a cancelled dialog, an empty picture or a file that
// cannot be written prints nothing.
TEST(PictureOutput, PrintCommandRemembersItsSettings) {
    EXPECT_DOUBLE_EQ(PrintScale(600, 96), 6.25);
    EXPECT_DOUBLE_EQ(PrintScale(0, 96), 1.0);
    test::TempDir dir;
    const std::string pdf = dir.Path("print.pdf");
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
    if (QPrinterInfo::defaultPrinter().isNull()) {
        ASSERT_TRUE(PrintCommand(state, Picture(), 96, toPdf, host));
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(test::TempDir::Read(pdf).rfind("%PDF-", 0), 0u);
        EXPECT_GT(std::filesystem::file_size(pdf), 1000u);  // the picture is in it
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
    EXPECT_FALSE(PrintCommand(state, Picture(), 96, [](QPrinter&) { return false; }, host));
    EXPECT_FALSE(PrintPicture(QImage(), *state.printer, 96));
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_TRUE(host.messages.empty());
    // A PDF file that cannot be written: the user is told where.
    const AskPrintSettings unwritable = [](QPrinter& printer) {
        printer.setOutputFileName(QStringLiteral("/nonexistent-morvex-folder/out.pdf"));
        return true;
    };
    SetEnglish(true);
    EXPECT_FALSE(PrintCommand(state, Picture(), 96, unwritable, host));
    SetEnglish(false);
    EXPECT_EQ(host.messages, std::vector<std::string>{"The picture could not be written: /nonexistent-morvex-folder/out.pdf"});
}

TEST(PictureOutput, ClipboardAndQuickView) {
    ASSERT_TRUE(CopyPicture(Picture()));
    const QImage back = QGuiApplication::clipboard()->image();
    ASSERT_EQ(back.size(), QSize(320, 240));
    EXPECT_EQ(back.pixel(10, 10), qRgb(0, 128, 255));
    EXPECT_FALSE(CopyPicture(QImage()));
    // Quick view writes tmp.png (twice: overwritten) and hands it to the viewer.
    test::RecordingHost host;
    test::TempDir folder;
    ASSERT_TRUE(QuickViewPicture(Picture(), folder.Dir(), host));
    ASSERT_TRUE(QuickViewPicture(Picture(), folder.Dir(), host));
    EXPECT_EQ(host.opened.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(folder.Path("tmp.png")));
}

}  // namespace
}  // namespace morvex
