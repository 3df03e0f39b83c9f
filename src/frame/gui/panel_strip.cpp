// Panel strip.
#include "frame/gui/panel_strip.h"

#include <QMouseEvent>
#include <QPainter>

namespace morvex {
namespace {

constexpr int kStopModes[4] = {0, 2, 3, 4};  // the modes of the four stop cells

}  // namespace

PanelStrip::PanelStrip(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

// Two rows: the stop-mode and run cells above, the info group below.
QSize PanelStrip::sizeHint() const { return QSize(800, 2 * (fontMetrics().height() + 8)); }

void PanelStrip::SetCells(std::vector<PanelCell> stop, std::vector<PanelCell> run, std::vector<PanelCell> info) {
    stop_ = std::move(stop);
    run_ = std::move(run);
    info_ = std::move(info);
    update();
}

QRect PanelStrip::StopRect() const { return QRect(0, 0, width() * 60 / 100, height() / 2); }
QRect PanelStrip::RunRect() const {
    const int left = width() * 60 / 100;
    return QRect(left, 0, width() - left, height() / 2);
}
QRect PanelStrip::InfoRect() const { return QRect(0, height() / 2, width(), height() - height() / 2); }

void PanelStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawPanelCells(painter, StopRect(), stop_);
    DrawPanelCells(painter, RunRect(), run_);
    // The info cells are as wide as their texts need, shrunk together when
    // the strip is too narrow for all of them.
    const QRect info = InfoRect();
    std::vector<int> widths;
    int total = 0;
    for (const PanelCell& cell : info_) {
        widths.push_back(fontMetrics().horizontalAdvance(QString::fromStdString(cell.text).trimmed()) + 10);
        total += widths.back();
    }
    const double shrink = total > info.width() && total > 0 ? static_cast<double>(info.width()) / total : 1.0;
    double x = info.left();
    for (std::size_t i = 0; i < info_.size(); ++i) {
        const double w = widths[i] * shrink;
        const QRect cell(static_cast<int>(x), info.top(), static_cast<int>(x + w) - static_cast<int>(x), info.height());
        DrawPanelCells(painter, cell, {info_[i]});
        x += w;
    }
}

void PanelStrip::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (StopRect().contains(at) && stopChosen) {
        const int cell = std::clamp(at.x() * 4 / std::max(1, StopRect().width()), 0, 3);
        stopChosen(kStopModes[cell]);
    } else if (RunRect().contains(at) && runButton && !run_.empty() && run_[0].text == "\tGO") {
        runButton(at.x() - RunRect().left() < RunRect().width() / 2);
    }
    event->accept();
}

}  // namespace morvex
