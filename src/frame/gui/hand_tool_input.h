// The mouse side of the hand tools (mouse modes 2, 3, 4, 6 and 7): a
// left-button stroke over the view works the work under the pointer, draws
// the changed part at once and plays the tools' sounds.
#pragma once

#include <functional>

#include "frame/app.h"
#include "sim/hand_tools.h"

namespace morvex {

class Desk;
class Host;

// The tool's parameters as the settings hold them.
HandToolParams HandToolParamsOf(const WorkSettings& work, HandTool tool);

class HandToolInput {
public:
    HandToolInput(App& app, Desk& desk, Host& host);
    ~HandToolInput();  // a grinder still running falls silent
    HandToolInput(const HandToolInput&) = delete;
    HandToolInput& operator=(const HandToolInput&) = delete;

    // Button down in a mouse mode: false when the mode is not a hand tool
    // (the window handles it). While a run is open the tools do nothing.
    bool Press(int mouseMode, int x, int y);
    // The pointer moved: false when no stroke is going on.
    bool Move(int x, int y);
    // Button up: false when no stroke was going on.
    bool Release();
    bool Active() const { return stroke_.active; }

    std::function<void()> panelsChanged;  // the work's extents changed (welding raised its top)
    std::function<double()> clockMs;      // for pacing the sounds; steady clock when empty
    double soundIntervalMs = 150.0;       // per-step sounds at most this often

private:
    void Apply(int x, int y);
    bool SoundOn() const;
    double Now() const;

    App& app_;
    Desk& desk_;
    Host& host_;
    HandStroke stroke_;
    StrokeResult total_;     // what the whole stroke changed
    bool backedUp_ = false;  // the work before the stroke is in the backup pair
    bool looping_ = false;   // the grinder's sound
    double lastSoundMs_ = -1e300;
};

}  // namespace morvex
