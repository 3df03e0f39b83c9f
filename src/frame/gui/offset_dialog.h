// The offset editors: D codes, H codes (two columns, "Offset" and "Wear",
// 20 numbers a page) and the work coordinates (X, Y, Z, 10 entries a page).
// OK keeps the edits; "Modify CTL-File" asks for them to be written back
// into the controller definition file too.
#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "nc/controller_def.h"

class QCheckBox;
class QTabBar;
class QTableWidget;

namespace morvex {

class Host;

enum class OffsetEditor { DCode, HCode, WorkCoordinates };

// The number of an offset cell: blanks around it allowed; empty text, text
// that is not a number, and values beyond single precision have none.
std::optional<double> OffsetCellValue(std::string_view text);

class OffsetDialog final : public QDialog {
    Q_OBJECT
public:
    OffsetDialog(OffsetEditor table, const ControllerDef& controller, bool english, Host& host, QWidget* parent);

    // The edited values into the controller's memories.
    void StoreInto(ControllerDef& controller);
    bool WriteBack() const;

    QTabBar* Pages() const { return pages_; }
    QTableWidget* Grid() const { return grid_; }
    QCheckBox* Modify() const { return modify_; }
    // A cell that holds no number keeps the dialog (and its page) open: the
    // message names the cell, which becomes the current one.
    void accept() override;

private:
    void ShowPage(int page);
    bool TakePage();  // the shown page's cells into the copy; false (after the message) at a bad cell

    OffsetEditor table_;
    Host& host_;
    int page_ = 0;
    std::vector<std::array<double, 3>> values_;  // by number: two columns, or X Y Z
    QTabBar* pages_;
    QTableWidget* grid_;
    QCheckBox* modify_;
};

}  // namespace morvex
