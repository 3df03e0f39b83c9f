// Scenes for the view tests: an orthographic view set up by hand, and a
// 20 x 20 block at pitch 1 (top 0) seen in the fitted plan view.
#pragma once

#include <gtest/gtest.h>

#include "sim/work_model.h"
#include "view/display_settings.h"
#include "view/view_state.h"

namespace morvex::test {

// Angles A and B, `scale` pixels per mm, the centre at pixel (ox, oy) of a width x height picture.
inline ViewState MakeView(float a, float b, double scale, double ox, double oy, int width, int height,
                          bool perspective = false) {
    ViewState v;
    v.angleA = a;
    v.angleB = b;
    v.perspective = perspective;
    v.scale = scale;
    v.ox = ox;
    v.oy = oy;
    v.width = width;
    v.height = height;
    SetUpView(v);
    return v;
}

// The plan view, a detailed drawing, background (10, 20, 30); the light from a corner, so that
// the flat top is shaded below white and its colours stay apart.
inline ViewSettings PlanSettings() {
    ViewSettings st;
    st.colors[ColorKey::Background] = MakeColor(10, 20, 30);
    st.display.angleA = 0.0;
    st.display.angleB = 0.0;
    st.display.displayGuidance = 2;
    st.display.lightVector = {1.0, 1.0, 1.0};
    return st;
}

inline WorkModel Block20() {
    WorkModel w;
    PitchSettings pitch;
    EXPECT_EQ(DefineBoxWork(w, BoxRequest{0, 0, -10, 20, 20, 0}, pitch, kDataLevelFull), DefineWorkStatus::Ok);
    return w;
}

}  // namespace morvex::test
