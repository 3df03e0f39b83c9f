// Files that are not what they claim to be: random bytes, one line of a
// megabyte, NUL bytes. Read as NC programs, controller or machine
// definitions they end with a defined result and no crash.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "nc/controller_reader.h"
#include "nc/interpreter.h"
#include "results/machine_def.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

std::vector<std::string> HostileFiles() {
    std::mt19937 random(20261206);
    std::string bytes(200000, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    std::string letters(200000, ' ');
    const std::string alphabet = "GXYZIJKRFPQLDHTM0123456789.-+ ()/%;#\n";
    for (char& c : letters) c = alphabet[random() % alphabet.size()];
    return {bytes, letters, std::string(1 << 20, 'X'), std::string(100000, '\0'),
            "G02 X1e999 Y-99999999999999999999999 R0.000000000001 F-1\nG10 L2 P999999 X1\n"
            "G54 P2147483647\nT2147483647 H-5 D99999\nG68 R1e308\nG51 P0\nX1 Y1\n"};
}

// Each file as an NC program, under a lenient and a strict controller, and as
// a controller and a machine definition.
TEST(HostileInput, FilesEndWithADefinedResult) {
    test::TempDir dir;
    int index = 0;
    for (const std::string& content : HostileFiles()) {
        const std::string path = dir.Write("h" + std::to_string(index) + ".nc", content);
        for (const bool strict : {false, true}) {
            ControllerDef ctl;
            ctl.codeCheck = strict;
            ctl.decimalPoint = strict ? 3 : 0;
            ctl.endOfRecord = strict ? '%' : ' ';
            Interpreter in;
            ASSERT_TRUE(OpenNcProgram(in.reader, path));
            StartProgram(in, ctl, Point{});
            MotionResult result = MotionResult::Motion;
            for (int motions = 0; result == MotionResult::Motion && motions < 2000000; ++motions) {
                result = NextMotion(in, ctl, ToolWordForm{true, 9});
                if (result == MotionResult::Motion) ToToolFrame(in);
            }
            EXPECT_NE(result, MotionResult::Motion) << index;
            for (const double v : in.path.toolEnd) EXPECT_FALSE(std::isnan(v)) << index;
        }
        ControllerDef ctl;
        EXPECT_EQ(ReadControllerDef(path, ctl), 1);
        EXPECT_LE(ctl.replacements.size(), 30u);
        EXPECT_LE(ctl.stopStrings.size(), 22u);
        MachineDef machine;
        EXPECT_EQ(ReadMachineDef(path, machine), 1);
        EXPECT_LE(machine.attachmentCount, 10);
        ++index;
    }
}

}  // namespace
}  // namespace morvex
