// The strip of panel cells under the view: the stop-mode buttons and the
// two run buttons in one row, the info panel's current group in the next,
// drawn as status-bar cells. A click on a stop-mode cell chooses that mode; GO and ESC act on a
// paused run.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "view/panels.h"

namespace morvex {

class PanelStrip final : public QWidget {
    Q_OBJECT
public:
    explicit PanelStrip(QWidget* parent);

    // The cells to show; the strip repaints.
    void SetCells(std::vector<PanelCell> stop, std::vector<PanelCell> run, std::vector<PanelCell> info);
    std::function<void(int stopMode)> stopChosen;  // 0, 2, 3 or 4
    std::function<void(bool go)> runButton;        // true GO, false ESC

    // The rectangles of the three groups (for clicks and tests).
    QRect StopRect() const;
    QRect RunRect() const;
    QRect InfoRect() const;
    const std::vector<PanelCell>& InfoCells() const { return info_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<PanelCell> stop_, run_, info_;
};

}  // namespace morvex
