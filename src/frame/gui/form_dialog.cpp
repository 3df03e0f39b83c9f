#include "frame/gui/form_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "frame/gui/dialog_fields.h"

namespace morvex {

FormDialog::FormDialog(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    form_ = new QFormLayout;
    layout->addLayout(form_);
    layout->addWidget(OkCancel(this));
}

int FormDialog::AddNumber(const QString& label, const char* format, double value) {
    QLineEdit* field = NumberField(this, format, value);
    form_->addRow(label, field);
    fields_.push_back(field);
    return static_cast<int>(fields_.size()) - 1;
}

int FormDialog::AddChoice(const QString& label, std::initializer_list<QString> options, int selected) {
    auto* box = new QGroupBox(label, this);
    auto* row = new QHBoxLayout(box);
    auto* group = new QButtonGroup(this);
    int id = 0;
    for (const QString& option : options) {
        auto* button = new QRadioButton(option, box);
        button->setChecked(id == selected);
        group->addButton(button, id++);
        row->addWidget(button);
    }
    form_->addRow(box);
    groups_.push_back(group);
    return static_cast<int>(groups_.size()) - 1;
}

int FormDialog::AddCheck(const QString& label, bool checked) {
    auto* box = new QCheckBox(label, this);
    box->setChecked(checked);
    form_->addRow(box);
    boxes_.push_back(box);
    return static_cast<int>(boxes_.size()) - 1;
}

double FormDialog::Number(int i) const { return NumberOf(Field(i)); }
int FormDialog::Choice(int i) const { return Group(i)->checkedId(); }
bool FormDialog::Checked(int i) const { return Box(i)->isChecked(); }

void FormDialog::accept() {
    if (check && !check(*this)) return;
    QDialog::accept();
}

}  // namespace morvex
