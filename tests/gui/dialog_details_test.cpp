// The details of the window's dialogs (offscreen platform): the save dialog's
// endings and overwrite question, the pitch dialog's checks and labels, the
// colour buttons, the offset cells, Qt's own texts in Japanese, and the
// window on a screen smaller than it (save names, status line, error icons).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QTranslator>
#include <filesystem>
#include <memory>

#include "base/paths.h"
#include "frame/gui/display_dialogs.h"
#include "frame/gui/main_window.h"
#include "frame/gui/offset_dialog.h"
#include "frame/gui/qt_translations.h"
#include "frame/gui/save_dialog.h"
#include "frame/gui/work_dialogs.h"
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
            QAbstractButton* b = box->button(button);
            if (b == nullptr) b = box->buttons().value(0);
            if (b != nullptr) b->click();
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
    w.grab().save(QString::fromUtf8(dir) + QStringLiteral("/") + QString::fromUtf8(name) + QStringLiteral(".png"));
}

QLineEdit* NameField(QFileDialog& d) { return d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

// A name typed without an ending gets the chosen filter's; an existing file
// is asked about under the name that is really written, and kept on "No".
TEST(SaveDialog, EndingOfTheChosenFilterAndTheOverwriteQuestion) {
    test::TempDir dir;
    test::LanguageScope english(true);
    {
        SaveFileDialog offered(WorkSaveForms(), true, dir.Path("pocket.dmf"), nullptr);
        ASSERT_NE(NameField(offered), nullptr);
        EXPECT_EQ(NameField(offered)->text(), "pocket.dmf");
        EXPECT_EQ(QFileInfo(offered.directory().path()), QFileInfo(QString::fromStdString(dir.Dir())));
        Shot(offered, "save_dialog_en");
    }
    const struct {
        int form;
        const char* typed;
        const char* saved;
    } cases[] = {
        {0, "part", "part.dmf"},
        {0, "part.DMF", "part.DMF"},
        {0, "part.v2", "part.v2.dmf"},
        {2, "binary", "binary.stl"},
        {5, "grid", "grid.wrl"},
    };
    for (const auto& c : cases) {
        SaveFileDialog d(WorkSaveForms(), true, dir.Dir(), nullptr);
        d.selectNameFilter(QString::fromStdString(FilterText(WorkSaveForms()[static_cast<std::size_t>(c.form)], true)));
        NameField(d)->setText(QString::fromUtf8(c.typed));
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Accepted) << c.typed;
        EXPECT_EQ(d.Form(), c.form) << c.typed;
        EXPECT_EQ(d.Path(), dir.Path(c.saved)) << c.typed;
    }
    SaveFileDialog image({&ImageSaveForm(), 1}, false, dir.Dir(), nullptr);
    NameField(image)->setText(QStringLiteral("view"));
    image.accept();
    EXPECT_EQ(image.Path(), dir.Path("view.png"));

    // "old" names the existing "old.dmf": asked first, kept on No, replaced on Yes.
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

// The pitch dialog names a field that is not a number, refuses a fixed pitch
// below the minimum pitch, and shows its labels whole, without a literal "&".
TEST(PitchDialogChecks, FieldsNamedMinimumPitchAndLabels) {
    test::LanguageScope english(true);
    const struct {
        const char* field;
        const char* text;
        bool autoWork;
        const char* message;  // "" when OK is taken
    } cases[] = {
        {"work", "abc", false, "This field does not hold a number: Work Pitch"},
        {"rate", "", false, "This field does not hold a number: Rate per Work Pitch"},
        {"maximum", "x", true, "This field does not hold a number: Maximum"},
        {"work", "0.0009", false, "The work pitch is smaller than the minimum pitch: 0.001"},
        {"work", "0.001", false, ""},
        {"work", "0.0009", true, ""},  // the automatic rule raises it to the minimum itself
        {"work", "0", false, "The pitch is 0.0 or less."},
        {"minimum", "-1", true, "The pitch is 0.0 or less."},
    };
    for (const auto& c : cases) {
        test::RecordingHost host;
        PitchValues v;
        v.autoWork = c.autoWork;
        PitchDialog d(v, true, host, nullptr);
        d.Field(c.field)->setText(QString::fromUtf8(c.text));
        d.accept();
        const bool taken = *c.message == '\0';
        EXPECT_EQ(d.result() == QDialog::Accepted, taken) << c.field << " " << c.text;
        EXPECT_EQ(host.messages, taken ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        if (!taken) {
            EXPECT_EQ(host.kinds.at(0), MessageKind::Warning);
        }
    }
    {
        // "Define Work" holds its pitch to the same bound.
        test::RecordingHost host;
        WorkDefinition w;
        w.box = BoxRequest{0, 0, 0, 100, 100, 30};
        DefineWorkDialog d(w, true, host, nullptr);
        d.minimumPitch = 0.01;
        d.Field(6)->setText(QStringLiteral("0.009"));
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_EQ(host.messages, std::vector<std::string>{"The work pitch is smaller than the minimum pitch: 0.01"});
        d.Field(6)->setText(QStringLiteral("0.01"));
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    for (const bool en : {true, false}) {
        test::RecordingHost host;
        PitchDialog d(PitchValues{}, en, host, nullptr);
        Shot(d, en ? "pitch_en" : "pitch_ja");
        d.show();
        QApplication::processEvents();
        for (const QLabel* label : d.findChildren<QLabel*>()) {
            // A "&" is a mnemonic only with a buddy; otherwise it would be shown as it is.
            if (label->text().contains('&')) {
                EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
            }
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        }
        for (const QCheckBox* box : d.findChildren<QCheckBox*>()) EXPECT_GE(box->width(), box->sizeHint().width());
        int mnemonics = 0;
        for (const QLabel* label : d.findChildren<QLabel*>()) mnemonics += label->buddy() == d.Field("maximum");
        EXPECT_EQ(mnemonics, 1);
    }
}

// Each colour button says what it paints in the user's language, in black or
// white by the colour's brightness, and has room for its caption.
TEST(ColourDialogButtons, CaptionsReadableAndWhole) {
    ColorSettings colours;
    colours[ColorKey::Pen2] = MakeColor(255, 255, 0);
    colours[ColorKey::Pen1] = MakeColor(0, 255, 0);
    colours[ColorKey::Arbor] = MakeColor(0, 128, 0);
    colours[ColorKey::Background] = MakeColor(255, 255, 255);
    const struct {
        ColorKey key;
        const char* english;
        const char* japanese;
        const char* text;
    } cases[] = {
        {ColorKey::Pen2, "Pen 2", "ペン2", "color: #000000"},
        {ColorKey::Pen1, "Pen 1", "ペン1", "color: #000000"},
        {ColorKey::Arbor, "Arbor", "保持具", "color: #ffffff"},
        {ColorKey::Work, "Work", "被切削材", "color: #ffffff"},  // black
        {ColorKey::Background, "Background", "背景", "color: #000000"},
    };
    for (const bool en : {true, false}) {
        ColourDialog d(colours, en, nullptr);
        Shot(d, en ? "colours_en" : "colours_ja");
        d.show();
        QApplication::processEvents();
        for (const auto& c : cases) {
            const QPushButton* b = d.Button(c.key);
            EXPECT_EQ(b->text().toStdString(), en ? c.english : c.japanese);
            EXPECT_TRUE(b->styleSheet().contains(QString::fromUtf8(c.text))) << b->styleSheet().toStdString();
        }
        for (std::size_t i = 0; i < kColorCount; ++i) {
            const QPushButton* b = d.Button(static_cast<ColorKey>(i));
            EXPECT_GT(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
        }
    }
}

TEST(OffsetCells, NumbersOnly) {
    {
        test::RecordingHost host;
        ControllerDef controller;
        OffsetDialog d(OffsetEditor::DCode, controller, false, host, nullptr);
        d.Grid()->item(4, 1)->setText(QStringLiteral("x"));
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_EQ(host.messages, std::vector<std::string>{"数値ではない欄があります: D04 摩耗"});
        Shot(d, "offsets_ja");
    }
    const struct {
        const char* text;
        bool number;
        double value;
    } cases[] = {
        {"12.5", true, 12.5}, {" -2.5 ", true, -2.5}, {"1e3", true, 1000.0}, {"0", true, 0.0},
        {"", false, 0}, {"  ", false, 0}, {"abc", false, 0}, {"1.2.3", false, 0}, {"5mm", false, 0},
        {"nan", false, 0}, {"inf", false, 0}, {"1e39", false, 0},  // beyond single precision
    };
    for (const auto& c : cases) {
        const std::optional<double> v = OffsetCellValue(c.text);
        EXPECT_EQ(v.has_value(), c.number) << '"' << c.text << '"';
        if (v && c.number) {
            EXPECT_DOUBLE_EQ(*v, c.value);
        }
    }
}

// In Japanese mode Qt's own dialogs speak Japanese; in English Qt's texts stay.
TEST(QtTranslations, JapaneseCatalogueForQtsDialogs) {
    EXPECT_EQ(InstallQtTranslations(*QCoreApplication::instance(), true), nullptr);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(folder + QStringLiteral("/qtbase_ja.qm"))) {
        GTEST_SKIP() << "Qt's Japanese catalogue is not installed (qt6-translations-l10n)";
    }
    QTranslator* t = InstallQtTranslations(*QCoreApplication::instance(), false);
    ASSERT_NE(t, nullptr);
    QString title, accept;
    {
        test::TempDir dir;
        SaveFileDialog d(WorkSaveForms(), false, dir.Path("pocket.dmf"), nullptr);
        title = d.windowTitle();
        accept = d.labelText(QFileDialog::Accept);
        Shot(d, "save_dialog_ja");
        QColorDialog colour;
        colour.setOption(QColorDialog::DontUseNativeDialog);
        Shot(colour, "colour_chooser_ja");
    }
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    QCoreApplication::removeTranslator(t);
    delete t;
    EXPECT_FALSE(title.isEmpty());
    EXPECT_NE(title, QStringLiteral("Save As"));
    EXPECT_NE(accept, QStringLiteral("&Save"));
    EXPECT_NE(cancel, QStringLiteral("Cancel"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), QStringLiteral("Save As"));
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

bool Inside(const QRect& inner, const QRect& outer) { return outer.contains(inner); }

// The window on the offscreen screen (800 x 600, smaller than the default
// window): the default and a saved placement larger than the screen and off
// it are fitted in; the save commands offer the NC program's name, confirm
// on the status line what they wrote, and show a failure with the error icon.
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
        EXPECT_TRUE(Inside(window.frameGeometry(), area))
            << saved << ": " << window.frameGeometry().width() << "x" << window.frameGeometry().height();
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
    answer = s.start.Path("cut.dmf");
    window.OnCommand(cmd::kSaveWork);
    EXPECT_EQ(window.StatusText().toStdString(), "保存しました: " + answer);
    answer = s.start.Path("view.png");
    window.OnCommand(cmd::kSaveImage);
    EXPECT_EQ(window.StatusText().toStdString(), "保存しました: " + answer);
    const std::string folder = s.app.settings.dmf.dmfDir;
    EXPECT_EQ(offered, (std::vector<std::string>{JoinPath(folder, "pocket.dmf"), JoinPath(folder, "pocket.png")}));

    BoxWatch boxes;
    answer = "/nonexistent-morvex-folder/view.png";
    window.OnCommand(cmd::kSaveImage);
    ASSERT_EQ(boxes.icons.size(), 1u);
    EXPECT_EQ(boxes.icons[0], QMessageBox::Critical);
    window.close();
}

}  // namespace
}  // namespace morvex
