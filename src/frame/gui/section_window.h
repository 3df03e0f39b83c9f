// The section of the work along a picked line, drawn as a plot in a small
// window of its own: distance along the line across, height up, with the
// line's ends, its length and the lowest and highest point written on it.
#pragma once

#include <QWidget>
#include <vector>

#include "sim/measurement.h"

namespace morvex {

class SectionWindow final : public QWidget {
    Q_OBJECT
public:
    explicit SectionWindow(QWidget* parent);
    // The profile from `from` to `to` (work points); shows the window.
    void Show(const std::vector<SectionSample>& samples, const Point& from, const Point& to, bool english);
    const std::vector<SectionSample>& Samples() const { return samples_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<SectionSample> samples_;
    Point from_{}, to_{};
    bool english_ = true;
};

}  // namespace morvex
