// The detail question before a picture is taken.
#include "frame/picture_detail.h"

#include "base/messages.h"
#include "platform/host.h"

namespace morvex {

bool WantDetailedPicture(int displayGuidance, int drawingStep, bool runActive, Host& host) {
    if (drawingStep <= 1 || runActive || displayGuidance <= 0) return false;
    if (displayGuidance >= 2) return true;
    MessageRequest ask;
    ask.text = std::string(Msg(MsgId::DetailDisplay));
    ask.caption = std::string(Msg(MsgId::DetailDisplayCaption));
    ask.buttons = MessageButtons::YesNo;
    ask.kind = MessageKind::Question;
    return host.ShowMessage(ask) == MessageAnswer::Yes;
}

}  // namespace morvex
