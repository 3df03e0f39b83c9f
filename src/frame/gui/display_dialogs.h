// The dialogs of the display settings: the colours, the target area (where
// the work changes colour), the zoom step rate, what a resized window does
// with the view, and the hand tools' parameters.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "frame/settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace morvex {

class Host;

// What a colour paints, as the colour dialog's button says it.
QString ColourCaption(ColorKey key, bool english);

// One button per colour key, showing its colour; a click asks for a new one.
class ColourDialog final : public QDialog {
    Q_OBJECT
public:
    ColourDialog(const ColorSettings& colours, bool english, QWidget* parent);
    const ColorSettings& Colours() const { return colours_; }
    QPushButton* Button(ColorKey key) const { return buttons_[static_cast<std::size_t>(key)]; }
    void SetColour(ColorKey key, ColorRef colour);  // what a click does once the colour is chosen
    std::function<bool(ColorRef& colour)> ask;       // the colour chooser (tests answer it)

private:
    void Paint(ColorKey key);
    ColorSettings colours_;
    std::array<QPushButton*, kColorCount> buttons_{};
};

class TargetAreaDialog final : public QDialog {
    Q_OBJECT
public:
    TargetAreaDialog(bool on, const std::array<double, 6>& area, bool english, Host& host, QWidget* parent);
    bool On() const;
    std::array<double, 6> Area() const;
    QCheckBox* Switch() const { return on_; }
    QLineEdit* Field(int i) const { return fields_[i]; }
    void accept() override;

private:
    Host& host_;
    QCheckBox* on_;
    std::array<QLineEdit*, 6> fields_{};
};

// One positive number (the zoom step rate).
class RateDialog final : public QDialog {
    Q_OBJECT
public:
    RateDialog(double rate, bool english, Host& host, QWidget* parent);
    double Rate() const;
    QLineEdit* Field() const { return field_; }
    void accept() override;

private:
    Host& host_;
    QLineEdit* field_;
};

class ResizeDialog final : public QDialog {
    Q_OBJECT
public:
    ResizeDialog(bool fitOnResize, bool english, QWidget* parent);
    bool FitOnResize() const;
    QRadioButton* Fit() const { return fit_; }

private:
    QRadioButton *keep_, *fit_;
};

// The hand tools: welding height, width and pen; grinder depth, width and
// pen; paper depth, width and pen; brush and spatula widths.
class HandToolDialog final : public QDialog {
    Q_OBJECT
public:
    HandToolDialog(const WorkSettings& work, bool english, Host& host, QWidget* parent);
    void StoreInto(WorkSettings& work) const;
    QLineEdit* Field(int i) const { return fields_[i]; }
    void accept() override;

private:
    Host& host_;
    std::array<QLineEdit*, 11> fields_{};
};

}  // namespace morvex
