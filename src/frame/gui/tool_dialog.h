// The tool display: a modeless list of the tool table, one row per defined
// tool with its shape and dimensions; choosing a row shows that tool over
// the work.
#pragma once

#include <QDialog>
#include <functional>

#include "sim/tool_def.h"

class QTableWidget;

namespace morvex {

class ToolDialog final : public QDialog {
    Q_OBJECT
public:
    ToolDialog(bool english, QWidget* parent);
    // Fills the list again (after the tool table was read again).
    void Refresh(const ToolTable& tools);
    int Rows() const;
    QString Cell(int row, int column) const;

    std::function<void(int tool)> chosen;
    std::function<void()> closed;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // the escape key hides the window as closing does

private:
    QTableWidget* table_ = nullptr;
};

}  // namespace morvex
