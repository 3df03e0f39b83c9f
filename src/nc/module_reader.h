// An NC program read by a reader module instead of from text: the entries
// the interpreter calls, the session that keeps the module's program open
// from the start of a run to its end, and the checks every delivered motion
// passes before the interpreter takes it over.
#pragma once

#include <string>
#include <utility>

#include "morvex/plugin.h"

namespace morvex {

struct Interpreter;
struct ControllerDef;

// The entries of one reader module; `path` is null when no module reads
// the program.
struct ModuleReader {
    decltype(&MVREADOPEN) open = nullptr;
    decltype(&MVREADSTARTPOINT) startPoint = nullptr;
    decltype(&MVREADPATH) path = nullptr;
    decltype(&MVREADCLOSE) close = nullptr;
    decltype(&MVREADTOOL) tool = nullptr;
    decltype(&MVREADTOOLLEN) toolLen = nullptr;
    decltype(&MVREADARBOR) arbor = nullptr;

    bool active() const { return open != nullptr && path != nullptr; }
};

// A module never delivers more motions than this to one program: a module
// that does not end is stopped with a read error.
inline constexpr long long kMaxModuleMotions = 50'000'000;

// The module's program while it is open; closing happens once, at the end
// of the program, on a read error or when the session goes away.
class ModuleSession {
public:
    ModuleSession() = default;
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;
    ModuleSession(ModuleSession&& other) noexcept { *this = std::move(other); }
    ModuleSession& operator=(ModuleSession&& other) noexcept;
    ~ModuleSession() { Close(); }

    // MVREADOPEN, then MVREADSTARTPOINT when present. False when the module
    // cannot open the program (nothing stays open).
    [[nodiscard]] bool Open(const ModuleReader& entries, const std::string& ncPath);
    void Close();

    bool reading() const { return reading_; }
    const ModuleReader& entries() const { return entries_; }
    bool hasStart() const { return hasStart_; }
    const double* start() const { return start_; }

    long long delivered = 0;  // motions delivered so far
    std::string error;        // why the last read failed, for the message

private:
    ModuleReader entries_;
    bool reading_ = false;  // a program is read through the module
    bool open_ = false;     // MVREADCLOSE is still owed
    bool hasStart_ = false;
    double start_[3] = {0.0, 0.0, 0.0};
};

// The module's next motion into interp.path, as a block of text would have
// given it: 1 a motion (or a block without one), 0 the end of the program,
// -1 a read error (pending error kNcModuleRead, the reason in
// interp.reader.module.error).
int ReadModuleBlock(Interpreter& interp, const ControllerDef& ctl);

}  // namespace morvex
