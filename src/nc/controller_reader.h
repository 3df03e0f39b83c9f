// Reading the controller definition (.CTL) into the ControllerDef record, and
// the axis mapping derived from it: which programmed plane code each machine
// plane carries, and which machine axes a selected plane makes active.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "nc/controller_def.h"
#include "nc/plane.h"
#include "nc/wait_files.h"

namespace morvex {

// Reads the file into `def` and returns def.readStatus: 1 when read, -1 when
// the file cannot be opened (every field then holds its default). Every field
// is reset first except rTolerance, smoothAngle, g73Return, g83Clearance and
// fTable, which keep their values from the previous read. Afterwards the wait
// files named by WAIT M-CODE are resolved against the file's folder, the
// stale ones that may be deleted are (DeleteStaleWaitFiles with `places`,
// what became of each into `notes` when given), and planeCodes is derived.
int ReadControllerDef(const std::string& path, ControllerDef& def, const WaitFilePlaces& places = {},
                      std::vector<WaitFileNote>* notes = nullptr);

// Sets def.planeCodes from the axis letters and sign flags.
void DerivePlaneCodes(ControllerDef& def);

// The memory entry addressed by a "MEMORY" line or a bare D/H/F line; the
// write-back uses it to find the lines it replaces.
enum class MemoryTable { None, D, H, F, Work };

struct MemoryLine {
    MemoryTable table = MemoryTable::None;  // None: not a memory line, or a number out of range
    int number = 0;         // D/H/F 0..999; work entry 1..200 (G54 is entry 1)
    bool memoryForm = false;  // the line begins "MEMORY" (else a bare D/H/F line)
    bool g5Form = false;      // a work entry written as G54..G59 rather than WK
    std::size_t valuesAt = 0;  // where the values begin: behind the "=", or behind the number
};

MemoryLine ParseMemoryLine(std::string_view line);

}  // namespace morvex
