// Work view widget.
#include "frame/gui/work_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace morvex {

WorkView::WorkView(const QImage& bitmap, QWidget* parent) : QWidget(parent), bitmap_(bitmap) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void WorkView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!bitmap_.isNull()) {
        painter.drawImage(event->rect(), bitmap_, event->rect());
    } else {
        painter.fillRect(event->rect(), Qt::white);
    }
    if (afterPaint) afterPaint();
}

}  // namespace morvex
