// Tool display dialog.
#include "frame/gui/tool_dialog.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/text.h"

namespace morvex {
namespace {

// The columns after the tool number and name: diameter, corner radius, the
// corner centre's distance and height, bottom and side angles, flute length,
// stick-out, neck length and taper length, shank diameter.
constexpr const char* kEnglish[] = {"Dia ", "C-r ", "E-w ", "F-h ", "BotA", "SidA",
                                    " H  ", "Len ", " Lu ", " Lt ", " Ds "};
constexpr const char* kJapanese[] = {"径", "ｺｰﾅR", "E値", "F値", "底角", "側角", "刃長", "突出", "首下", "Lt", "ｼｬﾝｸ径"};

QString Number(float value) { return QString::fromStdString(Format("%.3f", static_cast<double>(value))); }

}  // namespace

ToolDialog::ToolDialog(bool english, QWidget* parent) : QDialog(parent, Qt::Tool) {
    setWindowTitle(QString::fromUtf8(english ? "Tools" : "工具"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(this);
    table_->setColumnCount(13);
    QStringList labels = {QStringLiteral("T"), QString::fromUtf8(english ? "Name" : "名前")};
    for (int i = 0; i < 11; ++i) labels << QString::fromUtf8(english ? kEnglish[i] : kJapanese[i]);
    table_->setHorizontalHeaderLabels(labels);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    layout->addWidget(table_);
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (chosen) chosen(table_->item(row, 0)->text().toInt());
    });
    resize(760, 300);
}

void ToolDialog::Refresh(const ToolTable& tools) {
    table_->setRowCount(0);
    for (std::size_t n = 1; n < tools.tools.size(); ++n) {
        const ToolDef& t = tools.tools[n];
        if (!t.defined) continue;
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[13] = {
            QString::number(n),  QString::fromStdString(t.name.value_or(std::string())),
            Number(t.d),         Number(t.r),
            Number(t.e),         Number(t.f),
            Number(t.alpha),     Number(t.beta),
            Number(t.h),         Number(t.length.len[0]),
            Number(t.length.len[1]), Number(t.length.len[2]),
            Number(t.length.len[5]),
        };
        for (int c = 0; c < 13; ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    table_->resizeColumnsToContents();
}

int ToolDialog::Rows() const { return table_->rowCount(); }

QString ToolDialog::Cell(int row, int column) const {
    const QTableWidgetItem* item = table_->item(row, column);
    return item != nullptr ? item->text() : QString();
}

void ToolDialog::closeEvent(QCloseEvent* event) {
    if (closed) closed();
    event->accept();
}

void ToolDialog::reject() {
    if (closed) closed();
    QDialog::reject();
}

}  // namespace morvex
