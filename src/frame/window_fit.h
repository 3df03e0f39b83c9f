// Where the main window may stand: a saved or default placement fitted into
// the part of its screen that windows may use, in device-independent pixels
// (a scaled screen of 1600 x 1200 at factor 2 offers 800 x 600).
#pragma once

namespace morvex {

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

// The decoration the window system adds around the window's own area.
struct WindowFrame {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The window's own area (`want`, without its frame) made no larger than the
// screen's `area` leaves it once the frame is added, and moved so that the
// framed window lies inside `area`. Each side is kept at `minSide` or more
// where the area has room for it.
WindowRect FitWindowRect(const WindowRect& want, const WindowRect& area, const WindowFrame& frame, int minSide);

}  // namespace morvex
