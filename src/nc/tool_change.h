// Which tool a motion's block makes current, by the machine's way of
// changing tools: DIRECT changes on the T word; WAIT preselects with T and
// changes on M06; WAIT2 is WAIT, but an M06 block with a T word changes to
// that tool at once.
#pragma once

#include "nc/interpreter.h"

namespace morvex {

inline constexpr int kAtcDirect = 1;
inline constexpr int kAtcWait = 2;
inline constexpr int kAtcWait2 = 3;

// The tool number of a T word: the whole word, or the word without its
// trailing length-offset digits.
int ToolNumberOfWord(const ToolWordForm& form, int word);

// The tool the block of `path` changes to, -1 when it changes none;
// `preselected` keeps the tool a T word chose for a later M06. A reader
// module's tool change counts whatever the machine's way.
int ToolChangeOf(int atcType, const ToolWordForm& form, const PathRecord& path, int& preselected);

}  // namespace morvex
