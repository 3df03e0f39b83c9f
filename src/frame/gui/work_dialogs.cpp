// Work dialogs.
#include "frame/gui/work_dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "base/text.h"
#include "frame/gui/dialog_fields.h"
#include "platform/host.h"

namespace morvex {

PitchValues PitchValuesOf(const WorkSettings& w) {
    return PitchValues{w.workPitch, w.autoPitch, w.autoPitchCells, w.minimumPitch, w.movePitch, w.autoMovePitch,
                       w.movePitchFactor};
}

void StorePitchValues(const PitchValues& v, WorkSettings& w) {
    w.workPitch = v.workPitch;
    w.autoPitch = v.autoWork;
    w.autoPitchCells = v.maximum;
    w.minimumPitch = v.minimumPitch;
    w.movePitch = v.movePitch;
    w.autoMovePitch = v.autoMove;
    w.movePitchFactor = v.rate;
}

bool PitchBelowMinimum(const PitchValues& v) { return !v.autoWork && v.workPitch < v.minimumPitch; }

PitchDialog::PitchDialog(const PitchValues& v, bool english, Host& host, QWidget* parent)
    : QDialog(parent), english_(english), host_(host) {
    setWindowTitle(Tr(english, "Setting Pitch", "ピッチ設定"));
    work_ = NumberField(this, "%5.3f", v.workPitch);
    maximum_ = NumberField(this, "%.0f", v.maximum);
    minimum_ = NumberField(this, "%5.3f", v.minimumPitch);
    move_ = NumberField(this, "%5.3f", v.movePitch);
    rate_ = NumberField(this, "%5.3f", v.rate);
    autoWork_ = new QCheckBox(Tr(english, "Auto Setting", "自動設定"), this);
    autoMove_ = new QCheckBox(Tr(english, "Auto Setting", "自動設定"), this);
    autoWork_->setChecked(v.autoWork);
    autoMove_->setChecked(v.autoMove);
    auto* form = new QFormLayout;
    form->addRow(Tr(english, "Work Pitch", "被切削材ピッチ"), work_);
    auto* automatic = new QHBoxLayout;
    automatic->addWidget(autoWork_);
    // The label's "&N" is the mnemonic of the field it names, not a character to show.
    auto* maximumLabel = new QLabel(Tr(english, "( Maximum(&N) :", "( 最大(&N) :"), this);
    maximumLabel->setBuddy(maximum_);
    automatic->addWidget(maximumLabel);
    automatic->addWidget(maximum_);
    automatic->addWidget(new QLabel(Tr(english, "Under ,", "以下 ,"), this));
    form->addRow(automatic);
    form->addRow(Tr(english, "Minimum Pitch", "最小ピッチ"), minimum_);
    form->addRow(Tr(english, "Moving Pitch", "移動ピッチ"), move_);
    form->addRow(autoMove_);
    form->addRow(Tr(english, "Rate per Work Pitch", "被切削材ピッチに対する倍率"), rate_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    auto enable = [this]() {
        maximum_->setEnabled(autoWork_->isChecked());
        minimum_->setEnabled(autoWork_->isChecked());
        move_->setReadOnly(autoMove_->isChecked());
        FollowRate();
    };
    connect(autoWork_, &QCheckBox::toggled, this, enable);
    connect(autoMove_, &QCheckBox::toggled, this, enable);
    connect(work_, &QLineEdit::textChanged, this, [this]() { FollowRate(); });
    connect(rate_, &QLineEdit::textChanged, this, [this]() { FollowRate(); });
    enable();
}

void PitchDialog::FollowRate() {
    if (!autoMove_->isChecked()) return;
    const double value = NumberOf(work_) * NumberOf(rate_);
    if (std::isfinite(value)) move_->setText(QString::fromStdString(Format("%5.3f", value)).trimmed());
}

QLineEdit* PitchDialog::Field(const char* name) const {
    const std::string n = name;
    return n == "work" ? work_ : n == "maximum" ? maximum_ : n == "minimum" ? minimum_ : n == "move" ? move_ : rate_;
}

PitchValues PitchDialog::Values() const {
    PitchValues v;
    v.workPitch = NumberOf(work_);
    v.autoWork = autoWork_->isChecked();
    const double maximum = NumberOf(maximum_);
    v.maximum = std::isfinite(maximum) ? static_cast<int>(std::clamp(maximum, 1.0, 2.0e9)) : 20000;
    v.minimumPitch = NumberOf(minimum_);
    v.movePitch = NumberOf(move_);
    v.autoMove = autoMove_->isChecked();
    v.rate = NumberOf(rate_);
    return v;
}

void PitchDialog::accept() {
    // A field that holds no number is named, and the cursor put into it.
    const char* names[5][2] = {{"Work Pitch", "被切削材ピッチ"}, {"Maximum", "最大"},
                               {"Minimum Pitch", "最小ピッチ"}, {"Moving Pitch", "移動ピッチ"},
                               {"Rate per Work Pitch", "被切削材ピッチに対する倍率"}};
    QLineEdit* fields[5] = {work_, maximum_, minimum_, move_, rate_};
    for (int i = 0; i < 5; ++i) {
        if (std::isfinite(NumberOf(fields[i]))) continue;
        Warn(host_, MsgId::FieldNotNumber, Msg(MsgId::WarningTitle), Tr(english_, names[i][0], names[i][1]));
        fields[i]->setFocus();
        fields[i]->selectAll();
        return;
    }
    const PitchValues v = Values();
    if (!(v.workPitch > 0.0) || !(v.movePitch >= 0.0) || !(v.minimumPitch >= 0.0)) {
        Warn(host_, MsgId::PitchNotPositive, Msg(MsgId::WarningTitle));
        return;
    }
    // A fixed work pitch finer than the smallest one accepted would only
    // end in a grid too large to allocate.
    if (PitchBelowMinimum(v)) {
        Warn(host_, MsgId::PitchBelowMinimum, Msg(MsgId::WarningTitle),
             QString::fromStdString(Format("%g", v.minimumPitch)));
        work_->setFocus();
        work_->selectAll();
        return;
    }
    QDialog::accept();
}

DefineWorkDialog::DefineWorkDialog(const WorkDefinition& v, bool english, Host& host, QWidget* parent)
    : QDialog(parent), host_(host) {
    setWindowTitle(Tr(english, "Define Work", "被切削材定義"));
    const double values[7] = {v.box.xMin, v.box.yMin, v.box.zMin, v.box.xMax, v.box.yMax, v.box.zMax, v.pitch};
    auto* grid = new QGridLayout;
    const char* axes[3] = {"X", "Y", "Z"};
    grid->addWidget(new QLabel(Tr(english, "Minimum", "最小"), this), 0, 1);
    grid->addWidget(new QLabel(Tr(english, "Maximum", "最大"), this), 0, 2);
    for (int i = 0; i < 6; ++i) fields_[i] = NumberField(this, "%8.3f", values[i]);
    for (int a = 0; a < 3; ++a) {
        grid->addWidget(new QLabel(QString::fromLatin1(axes[a]), this), a + 1, 0);
        grid->addWidget(fields_[a], a + 1, 1);
        grid->addWidget(fields_[a + 3], a + 1, 2);
    }
    fields_[6] = NumberField(this, "%5.3f", v.pitch);
    grid->addWidget(new QLabel(Tr(english, "Pitch", "ピッチ"), this), 4, 0);
    grid->addWidget(fields_[6], 4, 1);
    auto* detailButton = new QPushButton(Tr(english, "Detail", "詳細"), this);
    grid->addWidget(detailButton, 4, 2);
    connect(detailButton, &QPushButton::clicked, this, [this]() {
        if (detail) detail();
    });
    modes_ = new QButtonGroup(this);
    auto* modeRow = new QHBoxLayout;
    const char* en[3] = {"Box Top", "Current", "Specify"};
    const char* ja[3] = {"被切削材上面", "現在位置", "指定"};
    for (int m = 0; m < 3; ++m) {
        auto* radio = new QRadioButton(Tr(english, en[m], ja[m]), this);
        modes_->addButton(radio, m);
        modeRow->addWidget(radio);
    }
    auto* pointButton = new QPushButton(Tr(english, "Controll Point", "制御点"), this);
    modeRow->addWidget(pointButton);
    connect(pointButton, &QPushButton::clicked, this, [this]() {
        if (controlPoint) controlPoint();
    });
    SetControlPoint(v.controlPoint);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(modeRow);
    layout->addWidget(OkCancel(this));
}

QLineEdit* DefineWorkDialog::Field(int i) const { return fields_[std::clamp(i, 0, 6)]; }

void DefineWorkDialog::SetControlPoint(int mode) {
    if (QAbstractButton* b = modes_->button(std::clamp(mode, 0, 2))) b->setChecked(true);
}

WorkDefinition DefineWorkDialog::Values() const {
    WorkDefinition v;
    v.box = BoxRequest{NumberOf(fields_[0]), NumberOf(fields_[1]), NumberOf(fields_[2]),
                       NumberOf(fields_[3]), NumberOf(fields_[4]), NumberOf(fields_[5])};
    v.pitch = NumberOf(fields_[6]);
    v.controlPoint = std::max(0, modes_->checkedId());
    return v;
}

void DefineWorkDialog::accept() {
    const WorkDefinition v = Values();
    // The bounds in the order X, Y, Z; the first that is not strictly rising is named.
    const std::pair<double, double> bounds[3] = {{v.box.xMin, v.box.xMax}, {v.box.yMin, v.box.yMax},
                                                 {v.box.zMin, v.box.zMax}};
    const MsgId reversed[3] = {MsgId::ReversedX, MsgId::ReversedY, MsgId::ReversedZ};
    for (int a = 0; a < 3; ++a) {
        const auto [lo, hi] = bounds[a];
        if (!std::isfinite(lo) || !std::isfinite(hi)) {
            Warn(host_, MsgId::WorkNotFinite, kMessageCaption);
            return;
        }
        if (!(hi > lo)) {
            Warn(host_, reversed[a], kMessageCaption);
            return;
        }
    }
    if (!(v.pitch > 0.0) || !std::isfinite(v.pitch)) {
        Warn(host_, MsgId::PitchNotPositive, Msg(MsgId::WarningTitle));
        return;
    }
    if (v.pitch < minimumPitch) {
        Warn(host_, MsgId::PitchBelowMinimum, Msg(MsgId::WarningTitle),
             QString::fromStdString(Format("%g", minimumPitch)));
        fields_[6]->setFocus();
        fields_[6]->selectAll();
        return;
    }
    QDialog::accept();
}

StartupDialog::StartupDialog(const SaveSettings& save, bool english, QWidget* parent)
    : QDialog(parent), save_(save) {
    setWindowTitle(Tr(english, "Start-up State", "起動時の状態設定"));
    const char* en[5] = {"Start with the window where it was", "Keep the work and pen colours",
                         "Keep the tool colours", "Keep the path colours", "Keep the background colour"};
    const char* ja[5] = {"ウィンドウの位置と大きさを保存", "被切削材とペンの色を保存", "工具の色を保存",
                         "パスの色を保存", "背景色を保存"};
    const int values[5] = {save.display, save.workColor, save.toolColor, save.lineColor, save.background};
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 5; ++i) {
        boxes_[i] = new QCheckBox(Tr(english, en[i], ja[i]), this);
        boxes_[i]->setChecked(values[i] != 0);
        layout->addWidget(boxes_[i]);
    }
    layout->addWidget(OkCancel(this));
}

SaveSettings StartupDialog::Value() const {
    SaveSettings s = save_;
    s.display = boxes_[0]->isChecked() ? 1 : 0;
    s.workColor = boxes_[1]->isChecked() ? 1 : 0;
    s.toolColor = boxes_[2]->isChecked() ? 1 : 0;
    s.lineColor = boxes_[3]->isChecked() ? 1 : 0;
    s.background = boxes_[4]->isChecked() ? 1 : 0;
    return s;
}

SkipDialog::SkipDialog(const std::array<bool, 10>& levels, bool english, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr(english, "Optional Block Skip", "オプショナルブロックスキップ"));
    auto* grid = new QGridLayout;
    for (int i = 0; i < 10; ++i) {
        levels_[i] = new QCheckBox(i == 0 ? QStringLiteral("/") : QStringLiteral("/%1").arg(i), this);
        levels_[i]->setChecked(levels[static_cast<std::size_t>(i)]);
        grid->addWidget(levels_[i], i / 5, i % 5);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(OkCancel(this));
}

std::array<bool, 10> SkipDialog::Levels() const {
    std::array<bool, 10> levels{};
    for (int i = 0; i < 10; ++i) levels[static_cast<std::size_t>(i)] = levels_[i]->isChecked();
    return levels;
}

PointDialog::PointDialog(const Vec3& p, bool english, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr(english, "Controll Point", "制御点座標値"));
    auto* form = new QFormLayout;
    const double values[3] = {p.x, p.y, p.z};
    const char* axes[3] = {"X", "Y", "Z"};
    for (int a = 0; a < 3; ++a) {
        fields_[a] = NumberField(this, "%.3f", values[a]);
        form->addRow(QString::fromLatin1(axes[a]), fields_[a]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

Vec3 PointDialog::Value() const {
    Vec3 v{NumberOf(fields_[0]), NumberOf(fields_[1]), NumberOf(fields_[2])};
    // A field that is not a number keeps 0 rather than a point nobody can reach.
    if (!std::isfinite(v.x)) v.x = 0.0;
    if (!std::isfinite(v.y)) v.y = 0.0;
    if (!std::isfinite(v.z)) v.z = 0.0;
    return v;
}

}  // namespace morvex
