// Numbers with six decimals, as "%f" writes them, without the cost of the
// general formatter: the cut data writes several per step of a run.
#pragma once

namespace morvex {

// Writes `value` with six decimals exactly as "%f" does (the binary value
// rounded half to even, "-" for every negative value, "-0.000000" included)
// into `out`, which must hold 32 bytes; returns the end. Returns null, and
// writes nothing, for values that are not finite or not below 1e12 in size:
// the caller uses the general formatter for those.
char* WriteFixedSix(char* out, double value);

}  // namespace morvex
