// Window title text.
#include "frame/window_title.h"

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"

namespace morvex {

std::string BuildWindowTitle(const TitleState& state) {
    std::string title(kProgramTitle);
    title += " - ";
    title += state.ncProgram.empty() ? std::string(Msg(MsgId::TitleNotSelected))
                                     : FileTitle(state.ncProgram);
    if (!state.workFile.empty()) title += "/" + FileTitle(state.workFile);
    title += "(" + FileTitle(state.toolTable) + "," + FileTitle(state.controllerTable) + "," +
             FileTitle(state.machineTable) + ")";
    if (state.workExists) {
        title += Msg(state.colorByDirection ? MsgId::TitleCutColor : MsgId::TitlePenColor);
        if (state.drawingStep > 1) {
            title += Msg(MsgId::TitleSkip);
            title += Format("%d", state.drawingStep - 1);
        }
    }
    if (state.pause != PauseReason::None) {
        title += " --- ";
        switch (state.pause) {
        case PauseReason::OffsetAlarm: title += Msg(MsgId::TitleOffsetAlarm); break;
        case PauseReason::Interference: title += Msg(MsgId::TitleInterference); break;
        default: title += Msg(MsgId::TitleStop); break;
        }
        title += Msg(MsgId::TitlePauseTail);
    }
    return title;
}

}  // namespace morvex
