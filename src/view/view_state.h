// The view of the work: an orbit about a view centre given by the azimuth A
// and the tilt B, a scale and an optional perspective; the projection every
// drawing uses, the shading of a surface normal, the shade colours, the
// drawing step, and the view operations of the keys, the wheel and drags.
#pragma once

#include <array>
#include <cstdint>

#include "base/vec3.h"
#include "view/display_settings.h"

namespace morvex {

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

struct ViewState {
    float angleA = 315.0f;  // degrees; B = 0 looks down the Z axis, 90 horizontally
    float angleB = 45.0f;
    double cosA = 1.0, sinA = 0.0, cosB = 1.0, sinB = 0.0;  // of the angles set up
    Vec3 toViewer{0.0, 0.0, 1.0};  // V: unit vector from the work towards the viewer
    double scale = 1.0;            // pixels per millimetre
    Vec3 centre{};                 // view centre, work coordinates
    double ox = 0.0, oy = 0.0;     // screen position of the centre, pixels
    bool perspective = true;
    double distance = 300.0;   // perspective distance, mm
    Vec3 light{0.0, 0.0, 1.0};  // unit light vector
    int width = 0;   // drawing rectangle, pixels (left and top 0)
    int height = 0;
    int step = 1;  // grid cells per drawn cell
};

// The settings' angles, light, perspective and a drawing rectangle.
ViewState InitialView(const DisplaySettings& display, int width, int height);

// Copies the angles into the trigonometric values and V.
void SetUpView(ViewState& view);

// The projection (truncated toward zero); the 16-bit variant clamps to the
// range of a 16-bit integer.
ScreenPoint Project(const ViewState& view, double x, double y, double z);
std::array<std::int16_t, 2> Project16(const ViewState& view, double x, double y, double z);

// Perspective distance of a work block: the largest of 300, 20 cx, 20 cy and
// 10 (top - bottom), (cx, cy) the view centre.
double PerspectiveDistance(const Vec3& centre, double zTop, double zBottom);

// Shade 0..49 of a unit surface normal (pointing out of the material).
int ShadeOf(const ViewState& view, const Vec3& normal);

// The colour of shade i (0..49) of a class colour: 40 % rising to 97.6 % of
// the colour over 0..24, then to white over 25..49.
ColorRef ShadeColor(ColorRef classColor, int shade);

// Grid cells per drawn cell: truncate(n / (pitch * scale / 0.9) + 0.5), at
// least 1; n is OPTIMIZE DOTS when optimised drawing is on, else 1.
int DrawingStep(double pitch, double scale, bool optimize, int dots);

// The block of the work, for fitting.
struct ViewBox {
    double xMin = 0.0, yMin = 0.0, zMin = 0.0;
    double xMax = 0.0, yMax = 0.0, zMax = 0.0;
};

// F: the centre of the block, the scale that fits its eight corners into 90 %
// of the drawing rectangle, the screen origin in the middle.
void FitView(ViewState& view, const ViewBox& box);

// The angle keys: 1..4 quadrants, 5/6 -15/+15, 7 behind, 8 XZ, 9 YZ, 0 XY,
// U and D tilt steps. Returns false for any other key. The view is set up again.
bool TurnView(ViewState& view, char key);

// Scale times `factor` keeping the work point under pixel (px, py) in place.
void ZoomAbout(ViewState& view, double factor, double px, double py);

// Wheel: 1.1 per notch, up zooms in unless `reverse`.
void WheelZoom(ViewState& view, int notches, bool reverse, double px, double py);

// Drag-rotate by (dx, dy) pixels: the larger movement turns A (2.5 degrees
// per step of the width / 72) or B (per step of the height / 36, kept in 0..90).
void DragRotate(ViewState& view, int dx, int dy);

// R: the angles of the settings again, then fitted as F.
void InitialViewAgain(ViewState& view, const DisplaySettings& display, const ViewBox& box);

// Drag-zoom (Ctrl with drag-rotate): the scale times 1.1^(20 d / size), d the
// larger movement over the drawing width or height; right or up zooms in.
void DragZoom(ViewState& view, int dx, int dy);

// Pan: the view centre moves with the drag, back through the current angles.
void PanView(ViewState& view, int dx, int dy);

}  // namespace morvex
