// The window's save dialog: its filters are the forms a file can be saved
// in; a name typed without the chosen form's ending gets it before the
// dialog asks whether an existing file may be replaced, so that the question
// is asked about the file that is really written.
#pragma once

#include <QFileDialog>
#include <span>
#include <string>

#include "frame/save_names.h"

namespace morvex {

class SaveFileDialog final : public QFileDialog {
    Q_OBJECT
public:
    // `proposal` is the path offered first (a folder when it ends in "/").
    SaveFileDialog(std::span<const SaveForm> forms, bool english, const std::string& proposal, QWidget* parent);

    int Form() const;          // the chosen filter, counted from 0
    std::string Path() const;  // the chosen file, with its ending
    void accept() override;

private:
    std::span<const SaveForm> forms_;
    QStringList filters_;
};

// Runs the dialog: the chosen path followed by its form's tail, "" when cancelled.
std::string AskSavePath(std::span<const SaveForm> forms, const std::string& proposal, QWidget* parent);

}  // namespace morvex
