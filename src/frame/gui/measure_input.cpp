// The measuring mouse modes.
#include "frame/gui/measure_input.h"

#include <QPainter>
#include <cmath>

#include "base/messages.h"
#include "base/text.h"
#include "frame/gui/desk.h"
#include "frame/gui/section_window.h"
#include "integration/reader_source.h"
#include "platform/host.h"
#include "sim/stroke_record.h"
#include "view/work_pick.h"

namespace morvex {
namespace {

std::string Label(MsgId id) { return std::string(Msg(id)); }

}  // namespace

bool IsMeasureMode(int mode) {
    return mode == kMouseMeasure || mode == kMouseSection || mode == kMouseLine || mode == kMousePlane;
}

MeasureInput::MeasureInput(App& app, Desk& desk, Host& host, QWidget* parent)
    : app_(app), desk_(desk), host_(host), parent_(parent) {}

MeasureInput::~MeasureInput() = default;

void MeasureInput::ModeChosen(int mode) {
    if (!IsMeasureMode(mode)) return;
    mode_ = mode;
    measure_ = PointMeasure{};
    values_ = MeasureValues{};
    picked_.clear();
    planeReady_ = false;
    haveLast_ = false;
    Changed();
}

bool MeasureInput::Click(int mode, int x, int y, bool pickWatch) {
    if (!IsMeasureMode(mode)) return false;
    if (mode != mode_) ModeChosen(mode);
    if (app_.work.workState <= 0) return true;
    const std::optional<GridCell> cell = CellUnderPixel(desk_.View(), app_.work, x, y);
    if (!cell) return true;  // off the work: nothing happens
    const auto node = static_cast<long long>(NodeIndex(app_.work, cell->ix, cell->iy));
    if (pickWatch) {
        Watch(node);
        return true;
    }
    const Point p = NodePoint(app_.work, node);
    switch (mode) {
    case kMouseMeasure: Measure(node); break;
    case kMouseSection: Section(p); break;
    case kMouseLine: Line(p); break;
    default: Plane(p); break;
    }
    Changed();
    return true;
}

void MeasureInput::Measure(long long node) {
    const Point p = NodePoint(app_.work, node);
    AppendStrokePoint(app_.strokes, static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]),
                      false);
    values_ = AddMeasuredPoint(measure_, p);
    const std::string program = app_.launch.ncProgramOpened ? app_.launch.ncProgram : std::string();
    Status(NodeQueryText(app_.work, node, program, IsEnglish(), ModuleReaderFor(app_.plugins, program)));
    if (measured) measured();
}

void MeasureInput::Section(const Point& p) {
    // A third click begins the next section.
    if (picked_.size() != 1) {
        picked_.assign(1, p);
        Status(Label(MsgId::PickLineEnd));
        return;
    }
    const Point from = picked_.front();  // a copy: the push below may move the list
    if (std::hypot(p[0] - from[0], p[1] - from[1]) < 0.5 * app_.work.pitch) {
        Status(Label(MsgId::PointTooClose));
        return;
    }
    picked_.push_back(p);
    const std::vector<SectionSample> samples = SectionProfile(app_.work, from[0], from[1], p[0], p[1]);
    if (!section_) section_ = new SectionWindow(parent_);
    section_->Show(samples, from, p, IsEnglish());
    Status(Label(MsgId::SectionTitle) + "  " + Label(MsgId::SectionLength) +
           Format(" %10.4f", std::hypot(p[0] - from[0], p[1] - from[1])));
}

void MeasureInput::Line(const Point& p) {
    if (picked_.size() < 2) {
        if (picked_.size() == 1 && !LineUsable(picked_.front(), p)) {
            Status(Label(MsgId::PointTooClose));
            return;
        }
        picked_.push_back(p);
        if (picked_.size() == 1) {
            Status(Label(MsgId::PickLineEnd));
        } else {
            const Point& a = picked_[0];
            Status(Label(MsgId::SectionLength) + Format(" %10.4f", std::hypot(p[0] - a[0], p[1] - a[1], p[2] - a[2])));
        }
        return;
    }
    const LineDistance d = DistanceToLine(p, picked_[0], picked_[1]);
    last_ = p;
    haveLast_ = true;
    Status(Label(MsgId::LineDistanceLabel) + Format(" %10.4f   ", d.space) + Label(MsgId::PlanDistanceLabel) +
           Format(" %10.4f", d.plan));
}

void MeasureInput::Plane(const Point& p) {
    if (!planeReady_) {
        if (picked_.size() == 1 && !LineUsable(picked_.front(), p)) {
            Status(Label(MsgId::PointTooClose));
            return;
        }
        if (picked_.size() == 2) {
            if (!PlaneThrough(picked_[0], picked_[1], p, plane_)) {
                Status(Label(MsgId::PointsOnALine));
                return;
            }
            picked_.push_back(p);
            planeReady_ = true;
            Status(Label(MsgId::PlaneTiltLabel) + Format(" %8.2f", PlaneTilt(plane_)));
            return;
        }
        picked_.push_back(p);
        Status(Label(MsgId::PickPlanePoint));
        return;
    }
    last_ = p;
    haveLast_ = true;
    Status(Label(MsgId::PlaneDistanceLabel) + Format(" %10.4f", DistanceToPlane(plane_, p)));
}

void MeasureInput::Watch(long long node) {
    if (desk_.watchedNode == node) {
        desk_.watchedNode = -1;
        Status(Label(MsgId::WatchCleared));
    } else {
        desk_.watchedNode = node;
        const std::string program = app_.launch.ncProgramOpened ? app_.launch.ncProgram : std::string();
        Status(Label(MsgId::WatchSet) +
               NodeQueryText(app_.work, node, program, IsEnglish(), ModuleReaderFor(app_.plugins, program)));
    }
    desk_.ModesChanged();  // a paused run watches the new node from its next motion
    Changed();
}

void MeasureInput::Status(const std::string& text) { host_.ShowStatus(text); }

void MeasureInput::Changed() {
    if (desk_.changed) desk_.changed();
}

MeasuredData MeasureInput::Data() const { return values_; }

void MeasureInput::DrawMarks(QImage& picture) const {
    const WorkModel& w = app_.work;
    const bool watched = desk_.watchedNode >= 0 && desk_.watchedNode < static_cast<long long>(w.cellCount);
    std::vector<Point> points;
    if (mode_ == kMouseMeasure) {
        for (int i = std::min(measure_.count, 3) - 1; i >= 0; --i) points.push_back(measure_.recent[i]);
    } else {
        points = picked_;
    }
    if (haveLast_) points.push_back(last_);
    if ((points.empty() && !watched) || picture.isNull() || w.workState <= 0) return;
    const ViewState& v = desk_.View();
    auto at = [&v](const Point& p) {
        const ScreenPoint s = Project(v, p[0], p[1], p[2]);
        return QPoint(s.x, s.y);
    };
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 255, 0), 1));
    // The line of a section or a line measurement, the triangle of a plane.
    const std::size_t defining = mode_ == kMouseMeasure ? points.size() : picked_.size();
    for (std::size_t i = 1; i < defining; ++i) painter.drawLine(at(points[i - 1]), at(points[i]));
    if (mode_ == kMousePlane && defining == 3) painter.drawLine(at(points[2]), at(points[0]));
    for (const Point& p : points) {
        const QPoint c = at(p);
        painter.drawLine(c + QPoint(-4, 0), c + QPoint(4, 0));
        painter.drawLine(c + QPoint(0, -4), c + QPoint(0, 4));
    }
    if (watched) {
        const QPoint c = at(NodePoint(w, desk_.watchedNode));
        painter.setPen(QPen(QColor(255, 0, 0), 2));
        painter.drawEllipse(c, 6, 6);
        painter.drawLine(c + QPoint(-9, 0), c + QPoint(9, 0));
        painter.drawLine(c + QPoint(0, -9), c + QPoint(0, 9));
    }
}

}  // namespace morvex
