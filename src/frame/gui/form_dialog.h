// A modal dialog assembled from rows: number fields, radio groups and check
// boxes, with a check on OK that keeps the dialog open (after its message)
// while the values cannot be used. The work operations' dialogs are built
// with it.
#pragma once

#include <QDialog>
#include <functional>
#include <initializer_list>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QFormLayout;

namespace morvex {

class FormDialog final : public QDialog {
    Q_OBJECT
public:
    FormDialog(const QString& title, QWidget* parent);

    // Each returns the index of its kind, counted from 0 in the order added.
    int AddNumber(const QString& label, const char* format, double value);
    int AddChoice(const QString& label, std::initializer_list<QString> options, int selected);
    int AddCheck(const QString& label, bool checked);

    double Number(int i) const;  // NaN when the text is not a number
    int Choice(int i) const;     // the option's index
    bool Checked(int i) const;
    QLineEdit* Field(int i) const { return fields_[static_cast<std::size_t>(i)]; }
    QButtonGroup* Group(int i) const { return groups_[static_cast<std::size_t>(i)]; }
    QCheckBox* Box(int i) const { return boxes_[static_cast<std::size_t>(i)]; }

    // Asked on OK; false keeps the dialog open (the check shows why).
    std::function<bool(const FormDialog&)> check;
    void accept() override;

private:
    QFormLayout* form_;
    std::vector<QLineEdit*> fields_;
    std::vector<QButtonGroup*> groups_;
    std::vector<QCheckBox*> boxes_;
};

}  // namespace morvex
