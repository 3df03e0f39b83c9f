// The details of the window's dialogs (offscreen platform): the save dialog's
// endings and overwrite question, the pitch dialog's checks and labels, the
// colour buttons, Qt's own texts in Japanese, and the window on a screen
// smaller than it with its save names, status line and error icon.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <filesystem>

#include "base/paths.h"
#include "frame/gui/display_dialogs.h"
#include "frame/gui/main_window.h"
#include "frame/gui/qt_translations.h"
#include "frame/gui/save_dialog.h"
#include "frame/gui/work_dialogs.h"
#include "frame/plugin_work_forms.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/language.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// Answers the message boxes that open with `button`, keeping their texts and icons.
struct BoxWatch {
    QTimer timer;
    std::vector<std::string> texts;
    std::vector<QMessageBox::Icon> icons;
    QMessageBox::StandardButton button = QMessageBox::Ok;
    BoxWatch() {
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            texts.push_back(box->text().toStdString());
            icons.push_back(box->icon());
            box->button(button)->click();
        });
        timer.start(10);
    }
};

// With MORVEX_SHOT_DIR set, the widget as drawn goes to NAME.png there, to be looked at.
void Shot(QWidget& w, const char* name) {
    const char* dir = std::getenv("MORVEX_SHOT_DIR");
    if (dir == nullptr) return;
    w.show();
    QApplication::processEvents();
    w.grab().save(QString::fromUtf8(dir) + "/" + name + ".png");
}

QLineEdit* NameField(QFileDialog& d) { return d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

// A name typed without an ending gets the chosen filter's; an existing file
// is asked about under the name really written, and kept on "No".
TEST(SaveDialog, EndingOfTheChosenFilterAndTheOverwriteQuestion) {
    test::TempDir dir;
    SaveFileDialog offered(WorkSaveForms(), true, dir.Path("pocket.dmf"), nullptr);
    EXPECT_EQ(NameField(offered)->text(), "pocket.dmf");
    Shot(offered, "save_dialog_en");
    const struct {
        int form;
        const char* typed;
        const char* saved;
    } cases[] = {{0, "part", "part.dmf"}, {0, "part.v2", "part.v2.dmf"}, {2, "binary", "binary.stl"},
                 {6, "cloud", "cloud.XYZ"}};
    // A save module's form follows the built-in six.
    PluginSet modules;
    modules.savers.emplace_back();
    modules.savers[0].suffix = ".XYZ";
    modules.savers[0].kind = "XYZ points";
    const WorkSaveFormList list = WorkSaveFormsWith(modules);
    for (const auto& c : cases) {
        SaveFileDialog d(list.forms, true, dir.Dir(), nullptr);
        d.selectNameFilter(QString::fromStdString(FilterText(list.forms[static_cast<std::size_t>(c.form)], true)));
        NameField(d)->setText(c.typed);
        d.accept();
        EXPECT_EQ(std::tuple(d.result(), d.Form(), d.Path()), std::tuple(1, c.form, dir.Path(c.saved)));
    }
    dir.Write("old.dmf", "keep");
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        BoxWatch boxes;
        boxes.button = answer;
        SaveFileDialog d(WorkSaveForms(), true, dir.Dir(), nullptr);
        NameField(d)->setText(QStringLiteral("old"));
        d.accept();
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_NE(boxes.texts[0].find("old.dmf"), std::string::npos) << boxes.texts[0];
        EXPECT_EQ(d.result() == QDialog::Accepted, answer == QMessageBox::Yes);
    }
    EXPECT_EQ(test::TempDir::Read(dir.Path("old.dmf")), "keep");
}

// The pitch dialog names a field that is not a number and refuses a fixed
// pitch below the minimum pitch, as "Define Work" does; its labels show no
// literal "&" and are not clipped.
TEST(PitchDialogChecks, FieldsNamedMinimumPitchAndLabels) {
    test::LanguageScope english(true);
    const struct {
        const char* field;
        const char* text;
        bool autoWork;
        const char* message;  // "" when OK is taken
    } cases[] = {
        {"rate", "", false, "This field does not hold a number: Rate per Work Pitch"},
        {"work", "0.0009", false, "The work pitch is smaller than the minimum pitch: 0.001"},
        {"work", "0.001", false, ""},
        {"work", "0.0009", true, ""},  // the automatic rule raises it to the minimum itself
    };
    for (const auto& c : cases) {
        test::RecordingHost host;
        PitchValues v;
        v.autoWork = c.autoWork;
        PitchDialog d(v, true, host, nullptr);
        d.Field(c.field)->setText(c.text);
        d.accept();
        const bool taken = *c.message == '\0';
        EXPECT_EQ(d.result() == QDialog::Accepted, taken) << c.field << " " << c.text;
        EXPECT_EQ(host.messages, taken ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        EXPECT_EQ(host.kinds, taken ? std::vector<MessageKind>{} : std::vector<MessageKind>{MessageKind::Warning});
    }
    test::RecordingHost host;
    WorkDefinition w;
    w.box = BoxRequest{0, 0, 0, 100, 100, 30};
    DefineWorkDialog define(w, true, host, nullptr);
    define.minimumPitch = 0.01;
    define.Field(6)->setText(QStringLiteral("0.009"));
    define.accept();
    EXPECT_EQ(define.result(), QDialog::Rejected);
    EXPECT_EQ(host.messages, std::vector<std::string>{"The work pitch is smaller than the minimum pitch: 0.01"});

    for (const bool en : {true, false}) {
        PitchDialog d(PitchValues{}, en, host, nullptr);
        Shot(d, en ? "pitch_en" : "pitch_ja");
        d.show();
        QApplication::processEvents();
        for (const QLabel* label : d.findChildren<QLabel*>()) {
            // A "&" is a mnemonic only with a buddy; otherwise it is shown as it is.
            EXPECT_TRUE(!label->text().contains('&') || label->buddy() == d.Field("maximum"));
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        }
    }
}

// Each colour button says what it paints in the user's language, in black or
// white by the colour's brightness, with room for its caption.
TEST(ColourDialogButtons, CaptionsReadableAndWhole) {
    ColorSettings colours;
    colours[ColorKey::Pen2] = MakeColor(255, 255, 0);
    colours[ColorKey::Arbor] = MakeColor(0, 128, 0);
    for (const bool en : {true, false}) {
        ColourDialog d(colours, en, nullptr);
        Shot(d, en ? "colours_en" : "colours_ja");
        d.show();
        QApplication::processEvents();
        EXPECT_EQ(d.Button(ColorKey::Pen2)->text(), en ? "Pen 2" : "ペン2");
        EXPECT_EQ(d.Button(ColorKey::Arbor)->text(), en ? "Arbor" : "保持具");
        EXPECT_TRUE(d.Button(ColorKey::Pen2)->styleSheet().contains("color: #000000"));
        EXPECT_TRUE(d.Button(ColorKey::Arbor)->styleSheet().contains("color: #ffffff"));
        for (std::size_t i = 0; i < kColorCount; ++i) {
            const QPushButton* b = d.Button(static_cast<ColorKey>(i));
            EXPECT_GT(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
        }
    }
}

// In Japanese mode Qt's own dialogs speak Japanese; in English Qt's texts stay.
TEST(QtTranslations, JapaneseCatalogueForQtsDialogs) {
    EXPECT_EQ(InstallQtTranslations(*QCoreApplication::instance(), true), nullptr);
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm")) {
        GTEST_SKIP() << "Qt's Japanese catalogue is not installed (qt6-translations-l10n)";
    }
    QTranslator* t = InstallQtTranslations(*QCoreApplication::instance(), false);
    ASSERT_NE(t, nullptr);
    test::TempDir dir;
    auto save = std::make_unique<SaveFileDialog>(WorkSaveForms(), false, dir.Path("pocket.dmf"), nullptr);
    const QString title = save->windowTitle(), accept = save->labelText(QFileDialog::Accept);
    Shot(*save, "save_dialog_ja");
    save.reset();
    QCoreApplication::removeTranslator(t);
    delete t;
    EXPECT_NE(title, QStringLiteral("Save As"));
    EXPECT_NE(accept, QStringLiteral("&Save"));
}

// The samples started up as the program does, in a fresh start folder.
struct Samples {
    test::TempDir start, programDir;
    App app;
    QtHost host;
    bool ready = false;
    Samples() {
        const std::string samples = std::string(std::getenv("MORVEX_SOURCE_DIR")) + "/samples";
        for (const auto& e : std::filesystem::directory_iterator(samples)) {
            std::filesystem::copy(e.path(), start.Path(e.path().filename().string()));
        }
        if (PrepareStartUp(app, {start.Path("pocket.nc")}, start.Dir(), programDir.Dir()).exit) return;
        ContinueStartUp(app, host);
        ready = PrepareLaunchWork(app, host) == 0;
    }
};

// The offscreen screen is smaller than the default window: the default and
// a saved placement larger than the screen and off it are fitted in. The
// save commands offer the NC program's name, confirm on the status line
// what they wrote, and show a failure with the error icon.
TEST(WindowOnItsScreen, FittedSaveNamesStatusAndErrorIcon) {
    if (std::getenv("MORVEX_SOURCE_DIR") == nullptr) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    test::LanguageScope japanese(false);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const bool saved : {false, true}) {
        Samples s;
        ASSERT_TRUE(s.ready);
        if (saved) {
            SaveSettings& place = s.app.settings.save;
            place.display = 1;
            place.x = -500;
            place.y = -400;
            place.width = 3000;
            place.height = 2000;
        }
        MainWindow window(s.app, s.host);
        window.Create();
        window.ShowAtStart();
        QApplication::processEvents();
        EXPECT_TRUE(area.contains(window.frameGeometry())) << saved << ": " << window.width() << "x" << window.height();
        if (saved) Shot(window, "window_fitted");
        window.close();
    }

    Samples s;
    ASSERT_TRUE(s.ready);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    std::vector<std::string> offered;
    std::string answer;
    window.Tools().choose = [&](FileKind, bool, const std::string& proposal) {
        offered.push_back(proposal);
        return answer;
    };
    for (const char* name : {"cut.dmf", "view.png"}) {
        answer = s.start.Path(name);
        window.OnCommand(std::string(name) == "cut.dmf" ? cmd::kSaveWork : cmd::kSaveImage);
        EXPECT_EQ(window.StatusText().toStdString(), "保存しました: " + answer);
    }
    const std::string folder = s.app.settings.dmf.dmfDir;
    EXPECT_EQ(offered, (std::vector<std::string>{JoinPath(folder, "pocket.dmf"), JoinPath(folder, "pocket.png")}));
    BoxWatch boxes;
    answer = "/nonexistent-morvex-folder/view.png";
    window.OnCommand(cmd::kSaveImage);
    EXPECT_EQ(boxes.icons, std::vector<QMessageBox::Icon>{QMessageBox::Critical});
    window.close();
}

}  // namespace
}  // namespace morvex
