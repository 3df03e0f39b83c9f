// Statistics dialog.
#include "frame/gui/statistics_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace morvex {

StatisticsDialog::StatisticsDialog(const std::string& title, const std::vector<StatisticsRow>& rows, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromStdString(title));
    table_ = new QTableWidget(static_cast<int>(rows.size()), 2, this);
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        table_->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(rows[static_cast<std::size_t>(r)].label)));
        table_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(rows[static_cast<std::size_t>(r)].value)));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(520, 480);
}

}  // namespace morvex
