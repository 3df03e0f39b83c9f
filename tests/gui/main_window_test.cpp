// The desktop window on Qt's offscreen platform without an NC program: the
// menus in the language of the message file, the check marks from the
// settings and section Save written at close; the Qt host's keys; the
// picture leaving the program: the print command printing to a PDF file on a
// machine without printers, the clipboard, and the quick view file.
#include "frame/gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QPrinterInfo>
#include <filesystem>

#include "base/messages.h"
#include "frame/gui/picture_output.h"
#include "frame/ini_file.h"
#include "frame/startup.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// The title and the other lines kept in the settings file are checked on the
// real program (e2e.desktop_window).
TEST(MainWindow, MenusInTheLanguageAndCheckMarksFromTheSettings) {
    const char* source = std::getenv("MORVEX_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    const struct {
        bool messageFile;
        const char *menu, *exit;
    } cases[] = {{false, "NCデータ(&N)", "終了（&X）"}, {true, "&NC Data", "E&xit"}};
    for (const auto& c : cases) {
        test::TempDir start, program;
        const std::string ini = start.Write("morvex.ini", "[Define]\nPATH(RESULT)=NO\n");
        const std::string messages = std::string(source) + "/src/resources/morvex.mes";
        if (c.messageFile) program.Write("morvex.mes", test::TempDir::Read(messages));
        App app;
        QtHost host;
        ASSERT_FALSE(PrepareStartUp(app, {}, start.Dir(), program.Dir()).exit);
        ContinueStartUp(app, host);
        EXPECT_EQ(IsEnglish(), c.messageFile);
        MainWindow window(app, host);
        window.Create();
        window.show();
        const QList<QAction*> pulldowns = window.menuBar()->actions();
        ASSERT_EQ(pulldowns.size(), 8);
        EXPECT_EQ(pulldowns[0]->text(), QString::fromUtf8(c.menu));
        const auto& actions = window.Actions();
        EXPECT_EQ(actions[cmd::kExit]->text(), QString::fromUtf8(c.exit));
        EXPECT_TRUE(actions[cmd::kExit]->isEnabled());
        EXPECT_FALSE(actions[cmd::kRunResult]->isEnabled());  // no NC program read yet
        EXPECT_FALSE(actions[cmd::kPathResult]->isChecked());  // off in the settings file
        EXPECT_TRUE(actions[cmd::kBoundaryBox]->isChecked());
        EXPECT_TRUE(actions[cmd::kStopModeFirst + 0]->isChecked());  // the controller's STOP OPTION, NONE
        EXPECT_TRUE(actions[cmd::kArborAbort]->isChecked() && !actions[cmd::kArborPause]->isChecked());
        EXPECT_TRUE(window.close());
        const IniFile written = LoadIni(ini);
        EXPECT_EQ(GetIniString(written, "Define", "PATH(RESULT)", ""), "NO");
        EXPECT_EQ(GetIniInt(written, "Save", "DISPLAY", -1), 0);  // section Save written at close
        SetEnglish(false);
    }
}

TEST(QtHost, KeysMapToVirtualCodesAndAreForgottenWithTheFocus) {
    const struct {
        int qtKey;
        int virtualKey;
    } keys[] = {{Qt::Key_Escape, 27}, {Qt::Key_Control, 17}, {Qt::Key_Space, 32},
                {Qt::Key_Pause, 19},  {Qt::Key_Cancel, 3},   {Qt::Key_G, 'G'},
                {Qt::Key_5, '5'},     {Qt::Key_F5, 116},     {Qt::Key_AsciiTilde, 0}};
    for (const auto& k : keys) EXPECT_EQ(VirtualKeyOf(k.qtKey), k.virtualKey) << k.qtKey;

    QtHost host;
    host.SetKeyDown(27, true);
    host.SetKeyDown(300, true);  // out of the table: ignored
    EXPECT_TRUE(host.IsKeyDown(27));
    EXPECT_FALSE(host.IsKeyDown(300));
    host.ClearKeys();
    EXPECT_FALSE(host.IsKeyDown(27));
    // A tap between two questions (pressed and released within one pump) counts once.
    host.SetKeyDown('G', true);
    host.SetKeyDown('G', false);
    EXPECT_TRUE(host.IsKeyDown('G'));
    EXPECT_FALSE(host.IsKeyDown('G'));
    EXPECT_FALSE(host.IsUnattended());
}

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
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"The picture could not be written: /nonexistent-morvex-folder/out.pdf"});
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

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
