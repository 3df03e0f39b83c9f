// Mouse-mode icons, cursors and the context menu.
#include "frame/gui/mouse_modes.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include "view/mouse_drag.h"

namespace morvex {

const std::vector<MouseModeItem>& MouseModeItems() {
    static const std::vector<MouseModeItem> items = {
        {250, 1, "計測", "Measure"},         {251, 2, "溶接", "Welding"},
        {252, 3, "グラインダー", "Grinder"}, {253, 4, "紙やすり", "Paper"},
        {254, 5, "断面計測", "Section"},     {255, 6, "ペンキ塗り", "Brush"},
        {256, 7, "ヘラ", "Spatula"},         {248, 8, "線計測", "*LINE*"},
        {249, 9, "面計測", "*PLANE*"},       {257, kMouseRotate, "回転", "Rotate"},
        {261, kMouseZoomRect, "ズーム", "Zoom"},
    };
    return items;
}

int MouseModeOfCommand(int command) {
    for (const MouseModeItem& item : MouseModeItems()) {
        if (item.command == command) return item.mode;
    }
    return -1;
}

bool MouseModeBuilt(int mode) {
    // Every mode of the menu: the view modes, the measuring modes and the hand tools.
    return mode == kMouseRotate || mode == kMouseZoomDrag || mode == kMouseZoomRect || (mode >= 1 && mode <= 9);
}

QPixmap MouseModeIcon(int mode, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    QPen pen(Qt::black, 2.5);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (mode) {
    case 1:  // measure: cross hairs with a ring
    case 5:
    case 8:
    case 9:
        p.drawEllipse(QPointF(16, 16), 7, 7);
        p.drawLine(16, 2, 16, 30);
        p.drawLine(2, 16, 30, 16);
        if (mode != 1) p.drawText(QRectF(18, 18, 14, 14), Qt::AlignCenter, QString::number(mode));
        break;
    case 2:  // welding: a torch with a spark
        p.drawLine(6, 26, 20, 12);
        p.setBrush(QColor(255, 160, 0));
        p.drawEllipse(QPointF(23, 9), 4, 4);
        break;
    case 3:  // grinder: a disc on a spindle
        p.drawEllipse(QPointF(16, 20), 10, 4);
        p.drawLine(16, 4, 16, 16);
        break;
    case 4:  // paper: a sheet with grit
        p.drawRect(6, 10, 20, 14);
        for (int x = 9; x < 26; x += 4) p.drawPoint(x, 18);
        break;
    case 6:  // brush
        p.drawLine(8, 26, 20, 10);
        p.setBrush(QColor(0, 160, 0));
        p.drawEllipse(QPointF(22, 8), 5, 3);
        break;
    case 7:  // spatula
        p.drawLine(8, 26, 18, 14);
        p.drawRect(18, 6, 8, 8);
        break;
    case kMouseRotate:
    case kMouseZoomDrag: {  // two arrows round a centre, or a magnifier with arrows
        QPainterPath arc;
        arc.arcMoveTo(6, 6, 20, 20, 30);
        arc.arcTo(6, 6, 20, 20, 30, 300);
        p.drawPath(arc);
        p.drawLine(QPointF(24.6, 11), QPointF(27, 5));
        p.drawLine(QPointF(24.6, 11), QPointF(19, 10));
        if (mode == kMouseZoomDrag) p.drawText(QRectF(8, 8, 16, 16), Qt::AlignCenter, QStringLiteral("±"));
        break;
    }
    case kMouseZoomRect:  // magnifier
        p.drawEllipse(QPointF(13, 13), 8, 8);
        p.drawLine(19, 19, 28, 28);
        break;
    default: break;
    }
    return pixmap;
}

QCursor MouseModeCursor(int mode) {
    if (mode == 1 || mode == 5 || mode == 8 || mode == 9) return QCursor(Qt::CrossCursor);
    // The drawn icon with its hot spot in the middle (the tip for the pointing tools).
    const QPixmap icon = MouseModeIcon(mode, 32);
    const bool tip = mode == 2 || mode == 6 || mode == 7;
    return QCursor(icon, tip ? 6 : 16, tip ? 26 : 16);
}

QMenu* BuildMouseMenu(QWidget* parent, int current, bool english, const std::function<void(int)>& choose) {
    auto* menu = new QMenu(parent);
    auto* group = new QActionGroup(menu);
    for (const MouseModeItem& item : MouseModeItems()) {
        QAction* action = menu->addAction(QIcon(MouseModeIcon(item.mode, 32)),
                                          QString::fromUtf8(english ? item.en : item.ja));
        action->setCheckable(true);
        action->setChecked(item.mode == current);
        action->setEnabled(MouseModeBuilt(item.mode));
        action->setData(item.command);
        group->addAction(action);
        const int mode = item.mode;
        QObject::connect(action, &QAction::triggered, menu, [choose, mode]() { choose(mode); });
    }
    return menu;
}

}  // namespace morvex
