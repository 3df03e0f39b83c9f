// The colour of a text written on a coloured ground (the buttons of the
// colour dialog): black or white, whichever stands out more.
#pragma once

#include "view/display_settings.h"

namespace morvex {

// Relative luminance of the colour, 0 (black) .. 1 (white), from the
// linearised sRGB components.
double Luminance(ColorRef colour);

// Black on light grounds, white on dark ones: the one of the two with the
// higher contrast ratio (L1 + 0.05) / (L2 + 0.05) against the ground.
ColorRef ReadableTextOn(ColorRef ground);

}  // namespace morvex
