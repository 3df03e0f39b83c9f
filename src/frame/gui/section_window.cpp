// The section plot.
#include "frame/gui/section_window.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "base/text.h"

namespace morvex {

SectionWindow::SectionWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    resize(480, 240);
    setMinimumSize(240, 140);
}

void SectionWindow::Show(const std::vector<SectionSample>& samples, const Point& from, const Point& to, bool english) {
    samples_ = samples;
    from_ = from;
    to_ = to;
    english_ = english;
    setWindowTitle(QString::fromUtf8(MsgIn(MsgId::SectionTitle, english).data(),
                                     static_cast<int>(MsgIn(MsgId::SectionTitle, english).size())));
    show();
    raise();
    update();
}

void SectionWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm(font());
    const int line = fm.height();
    const std::string head = Format("(%.3f, %.3f) - (%.3f, %.3f)   ", from_[0], from_[1], to_[0], to_[1]) +
                             std::string(MsgIn(MsgId::SectionLength, english_)) +
                             Format(" %.3f", std::hypot(to_[0] - from_[0], to_[1] - from_[1]));
    p.setPen(Qt::black);
    p.drawText(QRect(6, 2, width() - 12, line), Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(head));
    if (samples_.size() < 2) return;
    double zLo = samples_.front().z, zHi = zLo;
    for (const SectionSample& s : samples_) {
        zLo = std::min(zLo, s.z);
        zHi = std::max(zHi, s.z);
    }
    const double a0 = samples_.front().along, a1 = samples_.back().along;
    // Room for the height labels on the left and the distance labels below.
    const QRect plot(fm.horizontalAdvance(QStringLiteral("-00000.000")) + 10, line + 8,
                     std::max(10, width() - fm.horizontalAdvance(QStringLiteral("-00000.000")) - 20),
                     std::max(10, height() - 3 * line - 14));
    // A flat section still gets a band of height to sit in.
    const double span = std::max(zHi - zLo, 1e-3);
    const double lo = zLo - 0.05 * span, hi = zHi + 0.05 * span;
    const double across = std::max(a1 - a0, 1e-9);
    auto at = [&](const SectionSample& s) {
        return QPointF(plot.left() + (s.along - a0) / across * plot.width(),
                       plot.bottom() - (s.z - lo) / (hi - lo) * plot.height());
    };
    p.setPen(QColor(191, 191, 191));
    p.drawRect(plot);
    // The material below the surface, then the surface line.
    QPainterPath fill;
    fill.moveTo(plot.left(), plot.bottom());
    for (const SectionSample& s : samples_) fill.lineTo(at(s));
    fill.lineTo(at(samples_.back()).x(), plot.bottom());
    fill.closeSubpath();
    p.fillPath(fill, QColor(200, 220, 240));
    QPolygonF surface;
    for (const SectionSample& s : samples_) surface << at(s);
    p.setPen(QPen(QColor(0, 0, 160), 1.5));
    p.drawPolyline(surface);
    p.setPen(Qt::black);
    const int labelWidth = plot.left() - 8;
    p.drawText(QRect(2, plot.top() - line / 2, labelWidth, line), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(Format("%.3f", hi)));
    p.drawText(QRect(2, plot.bottom() - line / 2, labelWidth, line), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(Format("%.3f", lo)));
    p.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignLeft | Qt::AlignTop,
               QString::fromStdString(Format("%.3f", a0)));
    p.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignRight | Qt::AlignTop,
               QString::fromStdString(Format("%.3f", a1)));
    p.drawText(QRect(plot.left(), plot.bottom() + 2 + line, plot.width(), line), Qt::AlignHCenter | Qt::AlignTop,
               QString::fromStdString(Format("Z %.3f .. %.3f", zLo, zHi)));
}

}  // namespace morvex
