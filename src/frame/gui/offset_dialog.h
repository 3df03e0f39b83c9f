// The offset editors: D codes, H codes (two columns, "Offset" and "Wear",
// 20 numbers a page) and the work coordinates (X, Y, Z, 10 entries a page).
// OK keeps the edits; "Modify CTL-File" asks for them to be written back
// into the controller definition file too.
#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "nc/controller_def.h"

class QCheckBox;
class QTabBar;
class QTableWidget;

namespace morvex {

enum class OffsetEditor { DCode, HCode, WorkCoordinates };

class OffsetDialog final : public QDialog {
    Q_OBJECT
public:
    OffsetDialog(OffsetEditor table, const ControllerDef& controller, bool english, QWidget* parent);

    // The edited values into the controller's memories.
    void StoreInto(ControllerDef& controller);
    bool WriteBack() const;

    QTabBar* Pages() const { return pages_; }
    QTableWidget* Grid() const { return grid_; }
    QCheckBox* Modify() const { return modify_; }

private:
    void ShowPage(int page);
    void TakePage();  // the shown page's cells into the copy

    OffsetEditor table_;
    int page_ = 0;
    std::vector<std::array<double, 3>> values_;  // by number: two columns, or X Y Z
    QTabBar* pages_;
    QTableWidget* grid_;
    QCheckBox* modify_;
};

}  // namespace morvex
