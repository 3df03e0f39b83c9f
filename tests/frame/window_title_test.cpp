// The main window's title in both languages.
#include "frame/window_title.h"

#include <gtest/gtest.h>

#include "base/messages.h"

namespace morvex {
namespace {

TEST(WindowTitle, PiecesFollowTheStateInBothLanguages) {
    TitleState state;
    state.toolTable = "/shop/atc.ttl";
    state.controllerTable = "vadez.ctl";
    state.machineTable = "/m/zuvid.mtl";

    SetEnglish(false);
    EXPECT_EQ(BuildWindowTitle(state), "MORVEX2000 - NCデータ未選択(atc.ttl,vadez.ctl,zuvid.mtl)");
    SetEnglish(true);
    EXPECT_EQ(BuildWindowTitle(state), "MORVEX2000 - Not Selected(atc.ttl,vadez.ctl,zuvid.mtl)");

    state.ncProgram = "/jobs/pocket.nc";
    state.workFile = "/jobs/blank.dmf";
    state.workExists = true;
    state.drawingStep = 3;
    EXPECT_EQ(BuildWindowTitle(state),
              "MORVEX2000 - pocket.nc/blank.dmf(atc.ttl,vadez.ctl,zuvid.mtl) Pen Color/Skip:2");

    state.colorByDirection = true;
    state.drawingStep = 1;
    state.pause = PauseReason::Interference;
    EXPECT_EQ(BuildWindowTitle(state),
              "MORVEX2000 - pocket.nc/blank.dmf(atc.ttl,vadez.ctl,zuvid.mtl) Cut Color --- "
              "INTERFERENCE! (G or ESC)");
    SetEnglish(false);
    state.pause = PauseReason::Stop;
    EXPECT_EQ(BuildWindowTitle(state),
              "MORVEX2000 - pocket.nc/blank.dmf(atc.ttl,vadez.ctl,zuvid.mtl) 方向色 --- 停止中! (G or "
              "ESC)");
    state.pause = PauseReason::OffsetAlarm;
    state.workExists = false;
    EXPECT_EQ(BuildWindowTitle(state),
              "MORVEX2000 - pocket.nc/blank.dmf(atc.ttl,vadez.ctl,zuvid.mtl) --- OFFSET ALARM! (G or "
              "ESC)");
}

}  // namespace
}  // namespace morvex
