// Reading an NC program block by block: line counters, the program start and
// end marks, text replacements, the character check, optional block skip and
// the stop-block test.
#pragma once

#include <string>
#include <string_view>

#include "nc/controller_def.h"
#include "nc/definition_reader.h"
#include "nc/module_reader.h"

namespace morvex {

inline constexpr std::size_t kBlockChars = 255;
inline constexpr int kMaxReplacementsPerBlock = 30;

enum class ProgramState { WaitingForStart, InProgram };
enum class EndState { None, EndReached };

// Pending NC errors; the message code is the error plus 100.
enum NcError : int {
    kNcNoError = 0,
    kNcArcRadius = 1,
    kNcZeroFeed = 2,
    kNcNoStartCode = 3,
    kNcInvalidCharacter = 4,
    kNcDoubleDecimalPoint = 5,
    kNcReverseArc = 6,   // radius compensation turns an arc over
    kNcOverOffset = 7,   // radius compensation makes the tool run against the path
    kNcModuleRead = 8,   // the reader module failed or delivered a motion that cannot be used
};

// Errors that end the reading of the program (the others travel with a motion).
inline bool IsReadError(int error) {
    return (error >= kNcNoStartCode && error <= kNcDoubleDecimalPoint) || error == kNcModuleRead;
}

struct BlockReader {
    DefinitionLineReader source;  // the NC file, open from the start of a run to its end
    std::string block;  // the current block, ending with exactly one "\n"
    int programLine = 0;  // lines read since the program started (first line is 1)
    int motionLine = 0;   // line number given to the motions produced
    ProgramState programState = ProgramState::InProgram;
    EndState endState = EndState::None;
    int decimalPoint = 0;
    int pendingError = kNcNoError;
    int errorColumn = 0;  // from 1
    char errorChar = 0;
    bool reuseBlock = false;        // hand the current block out once more
    bool forcedStop = false;        // the next stop test answers yes
    ModuleSession module;           // the program comes from a reader module while it reads
};

[[nodiscard]] bool OpenNcProgram(BlockReader& reader, const std::string& path);
// The same, through the reader module when `module` is active.
[[nodiscard]] bool OpenNcProgram(BlockReader& reader, const std::string& path, const ModuleReader& module);

// Counters, states and error cleared for a new program.
void ResetBlockReader(BlockReader& reader, const ControllerDef& ctl);

// Reads the next block that optional block skip does not drop. False at the
// end of the file (end state set) or on a character-check error (pending).
[[nodiscard]] bool ReadNextBlock(BlockReader& reader, const ControllerDef& ctl);

// The block's first character is the end-of-record character (not a
// blank), or its first is a blank and its second that character.
bool IsRecordMark(std::string_view block, char endOfRecord);

// Replaces the "from" texts found scanning left to right (letter case
// ignored, first pair in order wins, at most 30 per block); the result is
// cut to 255 characters.
void ApplyReplacements(std::string& block, const std::vector<Replacement>& pairs);

// The character check: returns the error (0, invalid character, double
// decimal point) with the 1-based column and the character.
int CheckBlockCharacters(std::string_view block, const ControllerDef& ctl, int& column, char& bad);

// Whether optional block skip drops the block.
bool IsSkippedBlock(std::string_view block, const ControllerDef& ctl);

// What in a block a stop option can stop at: M00 or M01 as its last M word
// (outside comments), or one of the controller's stop strings.
inline constexpr int kStopMarkM00 = 1;
inline constexpr int kStopMarkM01 = 2;
inline constexpr int kStopMarkString = 4;
int StopMarksOf(std::string_view block, const ControllerDef& ctl);

// Whether a block with these marks stops the run under the stop option 0..4
// (3, single block, stops at every block).
bool StopsAt(int marks, int stopOption);

// Whether the run stops at this block under the stop option 0..4.
bool IsStopBlock(BlockReader& reader, const ControllerDef& ctl, int stopOption);

}  // namespace morvex
