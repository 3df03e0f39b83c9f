// The pen and paint highlight: the work drawn once with every node that no
// tool's pen and no paint marked in a flat grey, so that the pen colours of
// what was cut and the paint stand out. The colour mode is the pen mode
// whatever the settings say; the target area is not shown.
#pragma once

#include "view/display_settings.h"
#include "view/work_render.h"

namespace morvex {

// The grey of the unmarked nodes.
inline constexpr ColorRef kHighlightGrey = MakeColor(150, 150, 150);

RenderStyle HighlightStyleOf(const ViewSettings& settings);

}  // namespace morvex
