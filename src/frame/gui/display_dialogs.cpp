// Display setting dialogs.
#include "frame/gui/display_dialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "base/messages.h"
#include "base/text.h"
#include "frame/gui/dialog_fields.h"
#include "frame/readable_text.h"
#include "platform/host.h"

namespace morvex {
namespace {

QColor ToColor(ColorRef c) { return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c)); }

// What each colour paints, in ColorKey order, in English and Japanese.
constexpr const char* kColourCaptions[kColorCount][2] = {
    {"Work", "被切削材"},
    {"Pen 1", "ペン1"},
    {"Pen 2", "ペン2"},
    {"Pen 3", "ペン3"},
    {"Pen 4", "ペン4"},
    {"Pen 5", "ペン5"},
    {"Pen 6", "ペン6"},
    {"Pen 7", "ペン7"},
    {"Up-cut", "アップカット"},
    {"Down-cut", "ダウンカット"},
    {"Vertical cut", "垂直加工"},
    {"Paint", "ペンキ"},
    {"Work in the target area", "変色域の被切削材"},
    {"Tool top", "工具先端"},
    {"Tool side", "工具側面"},
    {"Arbor", "保持具"},
    {"Attachment", "アタッチメント"},
    {"Tool-tip path", "工具先端パス"},
    {"Command-point path", "指令点パス"},
    {"Cutting path", "切削パス"},
    {"Construction points", "パスの構成点"},
    {"Difference plus", "差分 プラス"},
    {"Difference minus", "差分 マイナス"},
    {"Background", "背景"},
};

}  // namespace

QString ColourCaption(ColorKey key, bool english) {
    const auto i = static_cast<std::size_t>(key);
    return i < kColorCount ? QString::fromUtf8(kColourCaptions[i][english ? 0 : 1]) : QString();
}

ColourDialog::ColourDialog(const ColorSettings& colours, bool english, QWidget* parent)
    : QDialog(parent), colours_(colours) {
    setWindowTitle(Tr(english, "Colors", "色の設定"));
    ask = [this](ColorRef& colour) {
        const QColor chosen = QColorDialog::getColor(ToColor(colour), this);
        if (!chosen.isValid()) return false;
        colour = MakeColor(chosen.red(), chosen.green(), chosen.blue());
        return true;
    };
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < kColorCount; ++i) {
        const auto key = static_cast<ColorKey>(i);
        auto* button = new QPushButton(ColourCaption(key, english), this);
        button->setToolTip(QString::fromUtf8(ColorKeyOf(key).key));  // the key of the settings file
        // Room for the longest caption in either language, with the padding the colour fill keeps.
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 24);
        buttons_[i] = button;
        connect(button, &QPushButton::clicked, this, [this, key]() {
            ColorRef colour = colours_[key];
            if (ask && ask(colour)) SetColour(key, colour);
        });
        grid->addWidget(button, static_cast<int>(i) / 3, static_cast<int>(i) % 3);
        Paint(key);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(OkCancel(this));
}

void ColourDialog::SetColour(ColorKey key, ColorRef colour) {
    colours_[key] = colour;
    Paint(key);
}

void ColourDialog::Paint(ColorKey key) {
    QPushButton* button = buttons_[static_cast<std::size_t>(key)];
    const QColor c = ToColor(colours_[key]);
    const QColor text = ToColor(ReadableTextOn(colours_[key]));
    // A style sheet that sets the background drops the style's padding: it is given back.
    button->setStyleSheet(QStringLiteral("background-color: %1; color: %2; padding: 4px 10px;")
                              .arg(c.name(), text.name()));
}

TargetAreaDialog::TargetAreaDialog(bool on, const std::array<double, 6>& area, bool english, Host& host,
                                   QWidget* parent)
    : QDialog(parent), host_(host) {
    setWindowTitle(Tr(english, "Target Area", "被切削材変色域"));
    on_ = new QCheckBox(Tr(english, "Change the colour inside the area", "領域内の色を変える"), this);
    on_->setChecked(on);
    auto* grid = new QGridLayout;
    const char* axes[3] = {"X", "Y", "Z"};
    grid->addWidget(on_, 0, 0, 1, 3);
    for (int a = 0; a < 3; ++a) {
        fields_[static_cast<std::size_t>(a)] = NumberField(this, "%.3f", area[static_cast<std::size_t>(a)]);
        fields_[static_cast<std::size_t>(a + 3)] = NumberField(this, "%.3f", area[static_cast<std::size_t>(a + 3)]);
        grid->addWidget(new QLabel(QString::fromLatin1(axes[a]), this), a + 1, 0);
        grid->addWidget(fields_[static_cast<std::size_t>(a)], a + 1, 1);
        grid->addWidget(fields_[static_cast<std::size_t>(a + 3)], a + 1, 2);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(OkCancel(this));
}

bool TargetAreaDialog::On() const { return on_->isChecked(); }

std::array<double, 6> TargetAreaDialog::Area() const {
    std::array<double, 6> a{};
    for (std::size_t i = 0; i < 6; ++i) a[i] = NumberOf(fields_[i]);
    return a;
}

void TargetAreaDialog::accept() {
    const std::array<double, 6> a = Area();
    const MsgId reversed[3] = {MsgId::ReversedX, MsgId::ReversedY, MsgId::ReversedZ};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!std::isfinite(a[i]) || !std::isfinite(a[i + 3])) {
            Warn(host_, MsgId::WorkNotFinite, Msg(MsgId::WarningTitle));
            return;
        }
        if (a[i] > a[i + 3]) {
            Warn(host_, reversed[i], Msg(MsgId::WarningTitle));
            return;
        }
    }
    QDialog::accept();
}

RateDialog::RateDialog(double rate, bool english, Host& host, QWidget* parent) : QDialog(parent), host_(host) {
    setWindowTitle(Tr(english, "Expand Rate", "拡大縮小率"));
    field_ = NumberField(this, "%.3f", rate);
    auto* form = new QFormLayout;
    form->addRow(Tr(english, "Rate", "倍率"), field_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

double RateDialog::Rate() const { return NumberOf(field_); }

void RateDialog::accept() {
    // A rate of 1 or less would zoom the wrong way or not at all.
    const double r = Rate();
    if (!(r > 1.0) || !std::isfinite(r) || r > 1000.0) {
        Warn(host_, MsgId::RateOutOfRange, Msg(MsgId::WarningTitle));
        return;
    }
    QDialog::accept();
}

ResizeDialog::ResizeDialog(bool fitOnResize, bool english, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr(english, "Size Adjustment on Resize", "画面サイズ変更時のサイズ調整"));
    keep_ = new QRadioButton(Tr(english, "Keep the scale", "倍率をそのままにする"), this);
    fit_ = new QRadioButton(Tr(english, "Fit the work to the window", "被切削材を画面に合わせる"), this);
    (fitOnResize ? fit_ : keep_)->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keep_);
    layout->addWidget(fit_);
    layout->addWidget(OkCancel(this));
}

bool ResizeDialog::FitOnResize() const { return fit_->isChecked(); }

HandToolDialog::HandToolDialog(const WorkSettings& w, bool english, Host& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setWindowTitle(Tr(english, "Tool Parameters", "道具パラメータ設定"));
    const struct {
        const char* en;
        const char* ja;
        double value;
        bool pen;
    } rows[11] = {
        {"Welding height", "溶接 高さ", w.weldingHeight, false}, {"Welding width", "溶接 幅", w.weldingWidth, false},
        {"Welding pen", "溶接 ペン", static_cast<double>(w.weldingPen), true},
        {"Grinder depth", "グラインダー 深さ", w.grinderDepth, false},
        {"Grinder width", "グラインダー 幅", w.grinderWidth, false},
        {"Grinder pen", "グラインダー ペン", static_cast<double>(w.grinderPen), true},
        {"Paper depth", "紙やすり 深さ", w.paperDepth, false}, {"Paper width", "紙やすり 幅", w.paperWidth, false},
        {"Paper pen", "紙やすり ペン", static_cast<double>(w.paperPen), true},
        {"Brush width", "ブラシ 幅", w.brushWidth, false}, {"Spatula width", "ヘラ 幅", w.heraWidth, false},
    };
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < 11; ++i) {
        fields_[i] = NumberField(this, rows[i].pen ? "%.0f" : "%.3f", rows[i].value);
        form->addRow(Tr(english, rows[i].en, rows[i].ja), fields_[i]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

void HandToolDialog::accept() {
    for (std::size_t i = 0; i < 11; ++i) {
        const double v = NumberOf(fields_[i]);
        const bool pen = i == 2 || i == 5 || i == 8;
        const bool usable = std::isfinite(v) && v >= 0.0 && (!pen || (v <= 7.0 && v == std::floor(v))) && v < 1e6;
        if (!usable) {
            Warn(host_, MsgId::HandToolValues, Msg(MsgId::WarningTitle));
            return;
        }
    }
    QDialog::accept();
}

void HandToolDialog::StoreInto(WorkSettings& w) const {
    auto f = [this](std::size_t i) { return static_cast<float>(NumberOf(fields_[i])); };
    auto pen = [this](std::size_t i) { return static_cast<int>(NumberOf(fields_[i])); };
    w.weldingHeight = f(0);
    w.weldingWidth = f(1);
    w.weldingPen = pen(2);
    w.grinderDepth = f(3);
    w.grinderWidth = f(4);
    w.grinderPen = pen(5);
    w.paperDepth = f(6);
    w.paperWidth = f(7);
    w.paperPen = pen(8);
    w.brushWidth = f(9);
    w.heraWidth = f(10);
}

}  // namespace morvex
