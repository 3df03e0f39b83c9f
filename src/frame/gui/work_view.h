// The client area: shows the picture of the view, reports its size, the
// wheel, and tells the window when a repaint has happened (the
// definition-file check follows each repaint).
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace morvex {

class WorkView final : public QWidget {
    Q_OBJECT
public:
    explicit WorkView(QWidget* parent);
    std::function<QImage()> picture;
    std::function<void()> afterPaint;
    std::function<void(int width, int height)> resized;
    std::function<void(int notches, int x, int y)> wheel;
    // Buttons: Qt::LeftButton or Qt::RightButton; `moved` has no button.
    std::function<void(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers mods)> pressed, released;
    std::function<void(int x, int y, Qt::KeyboardModifiers mods)> moved;
    std::function<QRect()> band;  // a zoom rectangle being dragged (empty: none)

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace morvex
