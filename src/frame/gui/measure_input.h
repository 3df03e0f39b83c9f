// The measuring mouse modes of the view: a click measures at the node under
// the mouse (mode 1 points with the measurement panel, 5 a section along a
// line, 8 the distance to a line, 9 the distance to a plane) and shows the
// point query on the status line; Shift with a click picks the NC search's
// watched node, or lets it go when it is picked again.
#pragma once

#include <QImage>
#include <QPointer>
#include <functional>
#include <vector>

#include "frame/app.h"
#include "frame/gui/section_window.h"
#include "sim/measurement.h"
#include "view/mouse_drag.h"
#include "view/panels.h"

class QWidget;

namespace morvex {

class Desk;
class Host;

// The measuring modes of the context menu besides kMouseMeasure.
inline constexpr int kMouseSection = 5;
inline constexpr int kMouseLine = 8;
inline constexpr int kMousePlane = 9;

bool IsMeasureMode(int mode);

class MeasureInput {
public:
    MeasureInput(App& app, Desk& desk, Host& host, QWidget* parent);
    ~MeasureInput();

    // A left click at view pixel (x, y) in `mode`; false (nothing done) for
    // the other modes. A click off the work does nothing.
    bool Click(int mode, int x, int y, bool pickWatch);
    // A mode was chosen from the context menu: its measurement starts afresh.
    void ModeChosen(int mode);

    // What the measurement panel shows.
    MeasuredData Data() const;
    // The points of the measurement under way and the watched node, marked
    // on the picture of the view.
    void DrawMarks(QImage& picture) const;
    SectionWindow* Section() const { return section_; }

    std::function<void()> measured;  // a point was measured: the panel shows it

private:
    void Measure(long long node);
    void Section(const Point& p);
    void Line(const Point& p);
    void Plane(const Point& p);
    void Watch(long long node);
    void Status(const std::string& text);
    void Changed();

    App& app_;
    Desk& desk_;
    Host& host_;
    QWidget* parent_;
    QPointer<SectionWindow> section_;
    int mode_ = 0;
    PointMeasure measure_;
    MeasureValues values_;
    std::vector<Point> picked_;  // the defining points of a section, line or plane
    bool planeReady_ = false;
    MeasurePlane plane_;
    Point last_{};  // the last point measured against the line or plane
    bool haveLast_ = false;
};

}  // namespace morvex
