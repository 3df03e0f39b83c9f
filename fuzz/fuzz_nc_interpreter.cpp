// Fuzz target: an NC program through the interpreter, motion by motion, each
// converted to the tool frame, as a cutting run drives it (the dialect as
// nc_dialect.h picks it), and written as a motion-listing line. The motions per input are capped so that a
// program of many long cycles cannot hold one input for long.
#include <cmath>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "nc/interpreter.h"
#include "nc_dialect.h"

namespace {
constexpr int kMaxMotions = 20000;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    ControllerDef ctl;
    const std::size_t start = fuzz::DialectOf(data, size, ctl);
    const std::string path = fuzz::WriteInput(data + start, size - start, "program.nc");
    Interpreter in;
    if (!OpenNcProgram(in.reader, path)) std::abort();
    StartProgram(in, ctl, Point{});
    const ToolWordForm tools{size % 2 == 1, 2};
    std::string line;
    JsonNumberCache numbers;
    for (int i = 0; i < kMaxMotions; ++i) {
        if (NextMotion(in, ctl, tools) != MotionResult::Motion) break;
        ToToolFrame(in);
        line.clear();
        AppendMotionListingLine(line, in.path, in.tool, numbers);
    }
    return 0;
}
