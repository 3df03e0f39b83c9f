// Shared dialog pieces.
#include "frame/gui/dialog_fields.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <cmath>

#include "base/text.h"
#include "platform/host.h"

namespace morvex {

QString Tr(bool english, const char* en, const char* ja) { return QString::fromUtf8(english ? en : ja); }

QLineEdit* NumberField(QWidget* parent, const char* format, double value) {
    auto* field = new QLineEdit(QString::fromStdString(Format(format, value)).trimmed(), parent);
    field->setAlignment(Qt::AlignRight);
    return field;
}

double NumberOf(const QLineEdit* field) {
    bool ok = false;
    const double v = field->text().trimmed().toDouble(&ok);
    return ok ? v : std::nan("");
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

void Warn(Host& host, MsgId text, std::string_view caption) { Warn(host, text, caption, QString()); }

void Warn(Host& host, MsgId text, std::string_view caption, const QString& detail) {
    MessageRequest warning;
    warning.text = std::string(Msg(text)) + detail.toStdString();
    warning.caption = std::string(caption);
    warning.kind = MessageKind::Warning;
    host.ShowMessage(warning);
}

}  // namespace morvex
