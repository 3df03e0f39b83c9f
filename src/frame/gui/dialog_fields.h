// Small pieces the dialogs share: texts by language, number fields that
// refuse what is not a number, the OK and Cancel row, and the warning box.
#pragma once

#include <QString>
#include <string_view>

#include "base/messages.h"

class QDialog;
class QDialogButtonBox;
class QLineEdit;
class QWidget;

namespace morvex {

class Host;

QString Tr(bool english, const char* en, const char* ja);

// A right-aligned field showing `value` in `format` (blanks trimmed).
QLineEdit* NumberField(QWidget* parent, const char* format, double value);

// A field's number; NaN for text that is not one (so that a check refuses it).
double NumberOf(const QLineEdit* field);

QDialogButtonBox* OkCancel(QDialog* dialog);

void Warn(Host& host, MsgId text, std::string_view caption);
// The message `text` followed by `detail` (the field or the value at fault).
void Warn(Host& host, MsgId text, std::string_view caption, const QString& detail);

}  // namespace morvex
