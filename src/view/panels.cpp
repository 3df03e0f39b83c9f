// Panel cells.
#include "view/panels.h"

#include <QPalette>

#include "base/text.h"
#include "resources/command_ids.h"

namespace morvex {
namespace {

std::string Pick(bool english, const char* en, const char* ja) { return english ? en : ja; }

}  // namespace

std::vector<PanelCell> StopModeCells(int stopMode, bool english) {
    return {{Pick(english, "\tNone", "\tﾉﾝｽﾄｯﾌﾟ"), stopMode == 0},
            {"\tM01", stopMode == 2},
            {Pick(english, "\tSingle", "\tｼﾝｸﾞﾙ"), stopMode == 3},
            {Pick(english, "\tDefine", "\t指定"), stopMode == 4}};
}

std::vector<PanelCell> RunCells(RunButtons state) {
    switch (state) {
    case RunButtons::Paused: return {{"\tGO", false}, {"\tESC", false}};
    case RunButtons::Running: return {{"\t", false}, {"\t", false}};
    case RunButtons::NoRun: break;
    }
    return {{"", false}, {"", false}};
}

std::vector<PanelCell> WorkInfoCells(const WorkModel& w, bool english) {
    std::vector<PanelCell> cells = {{Pick(english, "\tWork\t", "\t被切削材\t")},
                                    {Format(english ? "\tPitch:%5.3f\t" : "\t精度:%5.3f\t", w.pitch)}};
    const struct {
        const char* en;
        const char* ja;
        double value;
    } rows[] = {{"\tMax-X", "\t最大Ｘ値", w.xMax}, {"\tMax-Y", "\t最大Ｙ値", w.yMax}, {"\tMax-Z", "\t最大Ｚ値", w.zMax},
                {"\tMin-X", "\t最小Ｘ値", w.xMin}, {"\tMin-Y", "\t最小Ｙ値", w.yMin}, {"\tMin-Z", "\t最小Ｚ値", w.zMin}};
    for (const auto& r : rows) {
        cells.push_back({Pick(english, r.en, r.ja)});
        cells.push_back({Format("\t%9.3f", r.value)});
    }
    return cells;
}

std::vector<PanelCell> ControlPointCells(const Point& p, bool english) {
    std::vector<PanelCell> cells = {{Pick(english, "\tControl Point", "\t制御点座標値")}};
    for (int a = 0; a < 3; ++a) cells.push_back({Format("\t%10.4f", p[static_cast<std::size_t>(a)])});
    return cells;
}

std::vector<PanelCell> OffsetCells(OffsetTable chosen, bool english, bool getPut) {
    std::vector<PanelCell> cells = {{Pick(english, "\tD-Code", "\t径補正値"), chosen == OffsetTable::DCode},
                                    {Pick(english, "\tH-Code", "\t長補正値"), chosen == OffsetTable::HCode},
                                    {Pick(english, "\tCoordinate", "\tﾜｰｸ座標"), chosen == OffsetTable::Coordinate}};
    if (getPut) {
        cells.push_back({"\tGET"});
        cells.push_back({"\tPUT"});
    }
    return cells;
}

std::vector<PanelCell> MeasurementCells(const MeasuredData& d, bool english) {
    std::vector<PanelCell> cells = {{Pick(english, "\tMeasured Data", "\t計測位置のデータ")},
                                    {Pick(english, "\tCount", "\t点数")},
                                    {Format("\t%d", d.count)}};
    const struct {
        const char* en;
        const char* ja;
        const char* format;
        double value;
    } rows[] = {{"\tDelta-X", "\tX増分", "\t%10.4f", d.dx},     {"\tDelta-Y", "\tY増分", "\t%10.4f", d.dy},
                {"\tDelta-Z", "\tZ増分", "\t%10.4f", d.dz},     {"\tDis", "\t距離", "\t%10.4f", d.distance},
                {"\tR(X)", "\tR値(X)", "\t%9.3f", d.radiusX},   {"\tR(Y)", "\tR値(Y)", "\t%9.3f", d.radiusY},
                {"\tR(3PT)", "\tR値(3PT)", "\t%9.3f", d.radius3}};
    for (const auto& r : rows) {
        cells.push_back({Pick(english, r.en, r.ja)});
        cells.push_back({Format(r.format, r.value)});
    }
    return cells;
}

InfoGroup InfoGroupOfCommand(int command, InfoGroup current) {
    switch (command) {
    case cmd::kControlPoint: return InfoGroup::ControlPoint;
    case cmd::kRadiusOffsets:
    case cmd::kLengthOffsets:
    case cmd::kWorkCoordinates: return InfoGroup::Offsets;
    case cmd::kDefineWorkTwoPoints:  // the new block's extents
    case cmd::kPitch: return InfoGroup::Work;
    default: return current;
    }
}

void DrawPanelCells(QPainter& painter, const QRect& rect, const std::vector<PanelCell>& cells) {
    if (cells.empty() || rect.isEmpty()) return;
    const int n = static_cast<int>(cells.size());
    const QPalette palette;
    for (int i = 0; i < n; ++i) {
        const int x0 = rect.left() + rect.width() * i / n, x1 = rect.left() + rect.width() * (i + 1) / n - 1;
        const QRect cell(QPoint(x0, rect.top()), QPoint(x1, rect.bottom()));
        painter.fillRect(cell, palette.color(QPalette::Button));
        // Raised: light above and left, dark below and right; sunken the other way.
        const QColor light = palette.color(QPalette::Light), dark = palette.color(QPalette::Dark);
        const bool sunken = cells[static_cast<std::size_t>(i)].sunken;
        painter.setPen(sunken ? dark : light);
        painter.drawLine(cell.topLeft(), cell.topRight());
        painter.drawLine(cell.topLeft(), cell.bottomLeft());
        painter.setPen(sunken ? light : dark);
        painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        painter.drawLine(cell.topRight(), cell.bottomRight());
        const std::string& text = cells[static_cast<std::size_t>(i)].text;
        const bool centred = !text.empty() && text.front() == '\t';
        QString shown = QString::fromStdString(centred ? text.substr(1) : text);
        shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
        painter.setPen(palette.color(QPalette::ButtonText));
        painter.drawText(cell.adjusted(3, 1, -3, -1), (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter,
                         shown.trimmed());
    }
}

}  // namespace morvex
