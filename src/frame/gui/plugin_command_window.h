// The plug-in commands from the window: a simulation module's run (with the
// menu locked and the wait cursor while it cuts), a modifier, and the
// network module's switch; the work is drawn again after them.
#pragma once

namespace morvex {

struct App;
class Desk;
class Host;

// Carries out command `id` when it is a plug-in command (true), else false.
bool RunPluginCommand(int id, App& app, Desk& desk, Host& host);

}  // namespace morvex
