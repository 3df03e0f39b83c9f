// Offset editors.
#include "frame/gui/offset_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QSignalBlocker>
#include <cmath>
#include <limits>

#include "base/messages.h"
#include "base/text.h"
#include "frame/gui/dialog_fields.h"

namespace morvex {
namespace {

int PerPage(OffsetEditor t) { return t == OffsetEditor::WorkCoordinates ? 10 : 20; }
int Columns(OffsetEditor t) { return t == OffsetEditor::WorkCoordinates ? 3 : 2; }
int First(OffsetEditor t) { return t == OffsetEditor::WorkCoordinates ? 1 : 0; }
int Count(OffsetEditor t) { return t == OffsetEditor::WorkCoordinates ? kWorkEntries - 1 : kOffsetNumbers; }

std::string RowLabel(OffsetEditor t, int n) {
    if (t == OffsetEditor::DCode) return Format("D%02d", n);
    if (t == OffsetEditor::HCode) return Format("H%02d", n);
    return n <= 6 ? Format("%d(G5%d)", n, n + 3) : Format("%d(P%d)", n, n - 6);
}

}  // namespace

std::optional<double> OffsetCellValue(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    if (t.empty()) return std::nullopt;
    bool ok = false;
    const double v = QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())).toDouble(&ok);
    // Kept as single precision in the controller's memories.
    if (!ok || !std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) return std::nullopt;
    return v;
}

OffsetDialog::OffsetDialog(OffsetEditor table, const ControllerDef& c, bool english, Host& host, QWidget* parent)
    : QDialog(parent), table_(table), host_(host) {
    const char* titles[3][2] = {{"Setting D-CODE", "径補正値設定"},
                                {"Setting H-CODE", "長補正値設定"},
                                {"Setting Work Coordinate", "ワーク座標系設定"}};
    setWindowTitle(QString::fromUtf8(titles[static_cast<int>(table)][english ? 0 : 1]));
    const int first = First(table), count = Count(table);
    values_.resize(static_cast<std::size_t>(first + count));
    for (int n = first; n < first + count; ++n) {
        auto& v = values_[static_cast<std::size_t>(n)];
        if (table == OffsetEditor::WorkCoordinates) {
            const WorkCoordinate& w = c.work[static_cast<std::size_t>(n)];
            v = {w.x, w.y, w.z};
        } else {
            const OffsetValue& o = (table == OffsetEditor::DCode ? c.dOffsets : c.hOffsets)[static_cast<std::size_t>(n)];
            v = {o.value, o.second, 0.0};
        }
    }
    pages_ = new QTabBar(this);
    const int per = PerPage(table);
    for (int start = first; start < first + count; start += per) {
        pages_->addTab(QString::fromStdString(Format("%d-%d", start, std::min(start + per, first + count) - 1)));
    }
    grid_ = new QTableWidget(per, Columns(table), this);
    QStringList headers;
    if (table == OffsetEditor::WorkCoordinates) {
        headers << "X" << "Y" << "Z";
    } else {
        headers << QString::fromUtf8(english ? "Offset" : "補正値") << QString::fromUtf8(english ? "Wear" : "摩耗");
    }
    grid_->setHorizontalHeaderLabels(headers);
    modify_ = new QCheckBox(QString::fromUtf8(english ? "Modify CTL-File" : "コントローラー定義ファイルに反映"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(grid_);
    layout->addWidget(modify_);
    layout->addWidget(buttons);
    connect(pages_, &QTabBar::currentChanged, this, [this](int page) {
        if (TakePage()) {
            ShowPage(page);
            return;
        }
        const QSignalBlocker still(pages_);  // back to the page with the bad cell
        pages_->setCurrentIndex(page_);
    });
    ShowPage(0);
    resize(table == OffsetEditor::WorkCoordinates ? 460 : 360, 560);
}

void OffsetDialog::ShowPage(int page) {
    page_ = page;
    const int per = PerPage(table_), first = First(table_) + page * per;
    const char* format = table_ == OffsetEditor::WorkCoordinates ? "%10.3f" : "%9.3f";
    QStringList labels;
    for (int r = 0; r < per; ++r) {
        const int n = first + r;
        const bool exists = n < static_cast<int>(values_.size());
        labels << (exists ? QString::fromStdString(RowLabel(table_, n)) : QString());
        for (int col = 0; col < Columns(table_); ++col) {
            auto* item = new QTableWidgetItem(
                exists ? QString::fromStdString(Format(format, values_[static_cast<std::size_t>(n)][col])).trimmed()
                       : QString());
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (!exists) item->setFlags(Qt::NoItemFlags);
            grid_->setItem(r, col, item);
        }
    }
    grid_->setVerticalHeaderLabels(labels);
}

bool OffsetDialog::TakePage() {
    const int per = PerPage(table_), first = First(table_) + page_ * per;
    for (int r = 0; r < per; ++r) {
        const int n = first + r;
        if (n >= static_cast<int>(values_.size())) break;
        for (int col = 0; col < Columns(table_); ++col) {
            QTableWidgetItem* item = grid_->item(r, col);
            const std::optional<double> v = OffsetCellValue(item != nullptr ? item->text().toStdString() : "");
            if (v) {
                values_[static_cast<std::size_t>(n)][col] = *v;
                continue;
            }
            const QString column = grid_->horizontalHeaderItem(col) != nullptr
                                       ? grid_->horizontalHeaderItem(col)->text()
                                       : QString::number(col + 1);
            Warn(host_, MsgId::FieldNotNumber, Msg(MsgId::WarningTitle),
                 QString::fromStdString(RowLabel(table_, n)) + QStringLiteral(" ") + column);
            grid_->setCurrentCell(r, col);
            grid_->setFocus();
            return false;
        }
    }
    return true;
}

void OffsetDialog::accept() {
    if (TakePage()) QDialog::accept();
}

void OffsetDialog::StoreInto(ControllerDef& c) {
    if (!TakePage()) return;
    const int first = First(table_);
    for (int n = first; n < static_cast<int>(values_.size()); ++n) {
        const auto& v = values_[static_cast<std::size_t>(n)];
        if (table_ == OffsetEditor::WorkCoordinates) {
            c.work[static_cast<std::size_t>(n)] =
                WorkCoordinate{static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
        } else {
            auto& o = (table_ == OffsetEditor::DCode ? c.dOffsets : c.hOffsets)[static_cast<std::size_t>(n)];
            o = OffsetValue{static_cast<float>(v[0]), static_cast<float>(v[1])};
        }
    }
}

bool OffsetDialog::WriteBack() const { return modify_->isChecked(); }

}  // namespace morvex
