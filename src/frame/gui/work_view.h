// The client area: shows the off-screen bitmap and tells the window when a
// repaint has happened (the definition-file check follows each repaint).
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace morvex {

class WorkView final : public QWidget {
    Q_OBJECT
public:
    WorkView(const QImage& bitmap, QWidget* parent);
    std::function<void()> afterPaint;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage& bitmap_;
};

}  // namespace morvex
