// Text colour on a coloured ground.
#include "frame/readable_text.h"

#include <cmath>

namespace morvex {
namespace {

// sRGB component 0..255 to linear light 0..1.
double Linear(int component) {
    const double c = component / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double Luminance(ColorRef c) {
    return 0.2126 * Linear(ColorRed(c)) + 0.7152 * Linear(ColorGreen(c)) + 0.0722 * Linear(ColorBlue(c));
}

ColorRef ReadableTextOn(ColorRef ground) {
    // Contrast against black is (L + 0.05) / 0.05, against white 1.05 / (L + 0.05).
    const double l = Luminance(ground);
    const double onBlack = (l + 0.05) / 0.05;
    const double onWhite = 1.05 / (l + 0.05);
    return onBlack >= onWhite ? MakeColor(0, 0, 0) : MakeColor(255, 255, 255);
}

}  // namespace morvex
