// The main window's title: program, NC program (or "Not Selected"), loaded
// work, definition files, colour mode, drawing step and pause reason.
#pragma once

#include <string>

namespace morvex {

enum class PauseReason { None, OffsetAlarm, Interference, Stop };

struct TitleState {
    std::string ncProgram;  // path, empty when none is selected
    std::string workFile;   // path of a loaded work file, or empty
    std::string toolTable;
    std::string controllerTable;
    std::string machineTable;
    bool workExists = false;
    bool colorByDirection = false;
    int drawingStep = 1;
    PauseReason pause = PauseReason::None;
};

// In the current language.
std::string BuildWindowTitle(const TitleState& state);

}  // namespace morvex
