// Save dialog.
#include "frame/gui/save_dialog.h"

#include <QFileInfo>
#include <QLineEdit>
#include <algorithm>

#include "base/messages.h"
#include "base/paths.h"

namespace morvex {
namespace {

// Qt's default suffix is given without its dot.
QString SuffixOf(const SaveForm& form) { return QString::fromUtf8(form.ending).mid(1); }

}  // namespace

SaveFileDialog::SaveFileDialog(std::span<const SaveForm> forms, bool english, const std::string& proposal,
                               QWidget* parent)
    : QFileDialog(parent), forms_(forms) {
    // Qt's own dialog on every desktop: the ending is added in accept(),
    // which a desktop's native dialog would never call.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    for (const SaveForm& f : forms_) filters_ << QString::fromStdString(FilterText(f, english));
    setNameFilters(filters_);
    if (!forms_.empty()) setDefaultSuffix(SuffixOf(forms_.front()));
    connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        const qsizetype i = filters_.indexOf(filter);
        if (i >= 0) setDefaultSuffix(SuffixOf(forms_[static_cast<std::size_t>(i)]));
    });
    const std::string folder = DirectoryPart(proposal);
    if (!folder.empty()) setDirectory(QString::fromStdString(folder));
    const std::string name = FileTitle(proposal);
    if (!name.empty()) selectFile(QString::fromStdString(name));
}

int SaveFileDialog::Form() const { return static_cast<int>(std::max<qsizetype>(0, filters_.indexOf(selectedNameFilter()))); }

std::string SaveFileDialog::Path() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? std::string() : files.first().toStdString();
}

void SaveFileDialog::accept() {
    // The name as typed gets the form's ending unless it has it: "part" and
    // "part.v2" become "part.dmf" and "part.v2.dmf". Qt's check that follows
    // then asks about that file when it exists.
    auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit != nullptr && !forms_.empty()) {
        const QString typed = edit->text().trimmed();
        const bool folder = typed.isEmpty() || typed == QStringLiteral("..") ||
                            QFileInfo(directory().absoluteFilePath(typed)).isDir();
        if (!folder) {
            const SaveForm& form = forms_[static_cast<std::size_t>(Form())];
            edit->setText(QString::fromStdString(WithEnding(typed.toStdString(), form.ending)));
        }
    }
    QFileDialog::accept();
}

std::string AskSavePath(std::span<const SaveForm> forms, const std::string& proposal, QWidget* parent) {
    SaveFileDialog dialog(forms, IsEnglish(), proposal, parent);
    if (dialog.exec() != QDialog::Accepted) return {};
    const std::string path = dialog.Path();
    if (path.empty()) return {};
    return path + forms[static_cast<std::size_t>(dialog.Form())].tail;
}

}  // namespace morvex
