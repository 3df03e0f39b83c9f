// Reading the number of an address word of an NC block: the cursor stands on
// the first character after the address letter and moves behind the number.
#pragma once

#include <string_view>

namespace morvex {

// Upper-case A to Z: the letters that start address words.
inline bool IsAddressLetter(char c) { return c >= 'A' && c <= 'Z'; }

// Integer words (G, M, T, N, O, S, D, H, L, integer P): atoi of the text;
// the cursor moves to the next letter, "(" or line end. A letter right after
// the address letter moves the cursor to the end of the block.
int ReadIntegerWord(std::string_view block, std::size_t& cursor);

// G codes with their decimal suffix: "G54.1" gives 54 and 1, "G01" 1 and 0.
void ReadGCodeWord(std::string_view block, std::size_t& cursor, int& code, int& suffix);

// Coordinate words: with decimal-point mode 3 the number as written; else a
// number with a decimal point as written and one without divided by
// `increment`. No number reads 0.
double ReadCoordinateWord(std::string_view block, std::size_t& cursor, int decimalPoint,
                          int increment);

// Rotation angles and scale factors: as written with a decimal point, else
// divided by `increment`.
double ReadScaledWord(std::string_view block, std::size_t& cursor, int increment);

// Dwell times in seconds: as written with a decimal point, else times 0.001.
double ReadTimeWord(std::string_view block, std::size_t& cursor);

// Feed words: the number as written and how many characters it was written with.
double ReadFeedWord(std::string_view block, std::size_t& cursor, int& characters);

}  // namespace morvex
