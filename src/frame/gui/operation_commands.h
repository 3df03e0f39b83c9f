// The work operations of the window's work menu: loading a work turned
// over, merge, basic model, rotate/mirror, move, offset, XYZ cut, thinning,
// the difference painting, each through its dialog, and the "Optimize
// NC-Data" settings with the optimised run.
#pragma once

#include "frame/app.h"
#include "frame/gui/window_commands.h"

namespace morvex {

class Desk;
class Host;

// The keys of the difference display: L both sides, the plus and minus
// keys (main keyboard or keypad) one side each; the key of what is shown
// hides it. False for other keys.
inline constexpr int kKeyPlus = 107;
inline constexpr int kKeyMinus = 109;
bool DifferenceKey(int key, App& app, Desk& desk, Host& host);

// Carries out command `id` when it is one of these; false for other commands.
bool RunOperationCommand(int id, App& app, Desk& desk, Host& host, WindowTools& tools);

}  // namespace morvex
