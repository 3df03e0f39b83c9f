// The picture leaving the program: the print scale, printing to a PDF file
// on a machine without printers, the clipboard, and the quick view file.
#include "frame/gui/picture_output.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <filesystem>
#include <fstream>

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
