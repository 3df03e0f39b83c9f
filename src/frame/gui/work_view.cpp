// Work view widget.
#include "frame/gui/work_view.h"

#include <QMouseEvent>
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
    if (band) {
        const QRect r = band();
        if (!r.isEmpty()) {
            painter.setPen(QPen(Qt::white, 0, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.drawRect(r);
        }
    }
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

void WorkView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (pressed) pressed(event->button(), at.x(), at.y(), event->modifiers());
    event->accept();
}

void WorkView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (moved) moved(at.x(), at.y(), event->modifiers());
    event->accept();
}

void WorkView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (released) released(event->button(), at.x(), at.y(), event->modifiers());
    event->accept();
}

}  // namespace morvex
