// Work view widget.
#include "frame/gui/work_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

namespace morvex {

WorkView::WorkView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void WorkView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage shown = picture ? picture() : QImage();
    painter.fillRect(event->rect(), Qt::white);
    if (!shown.isNull()) painter.drawImage(event->rect(), shown, event->rect());
    if (afterPaint) afterPaint();
}

void WorkView::resizeEvent(QResizeEvent* event) {
    if (resized) resized(event->size().width(), event->size().height());
    QWidget::resizeEvent(event);
}

void WorkView::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (wheel && notches != 0) {
        const QPointF at = event->position();
        wheel(notches, static_cast<int>(at.x()), static_cast<int>(at.y()));
    }
    event->accept();
}

}  // namespace morvex
