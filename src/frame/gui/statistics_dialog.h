// The NC check's statistics: one row per figure, label and value.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "frame/check_statistics.h"

class QTableWidget;

namespace morvex {

class StatisticsDialog final : public QDialog {
    Q_OBJECT
public:
    StatisticsDialog(const std::string& title, const std::vector<StatisticsRow>& rows, QWidget* parent);
    QTableWidget* Table() const { return table_; }

private:
    QTableWidget* table_;
};

}  // namespace morvex
