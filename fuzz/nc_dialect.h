// The controller an NC fuzz input is read with. An input whose first byte is
// a control character other than a tab or line end uses its low five bits
// to pick the dialect and starts its program behind it; any other input is
// a program for the standard controller, so that real programs seed well.
// A few D and H offsets are set so that compensation and length offsets
// take part.
#pragma once

#include <cstddef>
#include <cstdint>

#include "nc/controller_def.h"
#include "nc/controller_reader.h"

namespace morvex::fuzz {

// Sets `ctl` and returns where the program begins in the input.
inline std::size_t DialectOf(const std::uint8_t* data, std::size_t size, ControllerDef& ctl) {
    ctl = ControllerDef{};
    for (std::size_t i = 1; i < 10; ++i) {
        ctl.dOffsets[i].value = static_cast<float>(i);
        ctl.hOffsets[i].value = static_cast<float>(10 * i);
    }
    std::size_t start = 0;
    if (size > 0 && data[0] < 0x20 && data[0] != '\t' && data[0] != '\n' && data[0] != '\r') {
        const int pick = data[0] & 0x1F;
        ctl.decimalPoint = pick & 3;
        switch ((pick >> 2) & 3) {
        case 1: ctl.product = ProductFamily::Osp; break;
        case 2: ctl.product = ProductFamily::Heidenhain; break;
        case 3:
            ctl.endOfRecord = '%';
            ctl.g00Mode = 1;
            ctl.g10Mode = 2;
            break;
        default: break;
        }
        ctl.codeCheck = (pick & 16) != 0;
        start = 1;
    }
    DerivePlaneCodes(ctl);
    return start;
}

}  // namespace morvex::fuzz
