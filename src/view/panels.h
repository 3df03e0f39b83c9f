// The panels around the drawing, drawn as status-bar cells: the stop-mode
// buttons, the two run buttons and the data panels of the info area, with
// their texts in both languages. A text that begins with a tab is centred.
#pragma once

#include <QPainter>
#include <QRect>
#include <string>
#include <vector>

#include "sim/measurement.h"
#include "sim/work_model.h"

namespace morvex {

struct PanelCell {
    std::string text;
    bool sunken = false;  // selected
};

// "None", "M01", "Single", "Define": the cell of stop mode 0, 2, 3 or 4 is
// sunken (stop mode 1, the usual stop at M00, has no cell of its own).
std::vector<PanelCell> StopModeCells(int stopMode, bool english);

// The run buttons: "GO" and "ESC" while a run is paused, empty while it
// runs, blank without a run.
enum class RunButtons { NoRun, Running, Paused };
std::vector<PanelCell> RunCells(RunButtons state);

// The work group of the info panel: the title, the pitch, then the labels
// and values of the block's maxima and minima ("%9.3f").
std::vector<PanelCell> WorkInfoCells(const WorkModel& work, bool english);

// The control-point group: the title and X, Y, Z ("%10.4f").
std::vector<PanelCell> ControlPointCells(const Point& point, bool english);

// The offsets group: the buttons of the three offset tables ("D-Code",
// "H-Code", "Coordinate"), the chosen one sunken, and "GET" and "PUT" when a
// synchronisation module offers them (English only, as the module is).
enum class OffsetTable { DCode, HCode, Coordinate };
std::vector<PanelCell> OffsetCells(OffsetTable chosen, bool english, bool getPut);

// What the point measurement found: the number of points, the last
// increments and distance, and the radii through the points.
using MeasuredData = MeasureValues;

// The measurement group: the title, then each label with its value
// (increments and distance "%10.4f", radii "%9.3f").
std::vector<PanelCell> MeasurementCells(const MeasuredData& data, bool english);

// Which group the info panel shows: chosen by the command that was used last
// (the control-point dialog, the offset editors, the two-point work
// definition, the pitch dialog); the work group otherwise.
enum class InfoGroup { Work, ControlPoint, Offsets, Measurement };
InfoGroup InfoGroupOfCommand(int command, InfoGroup current);

// Draws the cells side by side in `rect`, each raised or sunken.
void DrawPanelCells(QPainter& painter, const QRect& rect, const std::vector<PanelCell>& cells);

}  // namespace morvex
