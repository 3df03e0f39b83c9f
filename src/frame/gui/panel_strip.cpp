// Panel strip.
#include "frame/gui/panel_strip.h"

#include <QMouseEvent>
#include <QPainter>

namespace morvex {
namespace {

constexpr int kStopModes[4] = {0, 2, 3, 4};  // the modes of the four stop cells

}  // namespace

PanelStrip::PanelStrip(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

QSize PanelStrip::sizeHint() const { return QSize(800, fontMetrics().height() + 8); }

void PanelStrip::SetCells(std::vector<PanelCell> stop, std::vector<PanelCell> run, std::vector<PanelCell> info) {
    stop_ = std::move(stop);
    run_ = std::move(run);
    info_ = std::move(info);
    update();
}

QRect PanelStrip::StopRect() const { return QRect(0, 0, width() * 28 / 100, height()); }
QRect PanelStrip::RunRect() const { return QRect(width() * 28 / 100, 0, width() * 12 / 100, height()); }
QRect PanelStrip::InfoRect() const {
    const int left = width() * 40 / 100;
    return QRect(left, 0, width() - left, height());
}

void PanelStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawPanelCells(painter, StopRect(), stop_);
    DrawPanelCells(painter, RunRect(), run_);
    DrawPanelCells(painter, InfoRect(), info_);
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
