// Names of tools as shown to the user: the tool's own name when it has one,
// else the name of its shape in the user's language.
#include <string>

#include "base/messages.h"
#include "sim/tool_table.h"

namespace morvex {
namespace {

MsgId ShapeMessage(const ToolDef& t) {
    switch (t.shape) {
        case kShapeBall:
            return MsgId::ShapeBall;
        case kShapeFlat:
            return MsgId::ShapeFlat;
        case kShapeBull:
            return MsgId::ShapeBull;
        case kShapeTaperBall:
            return MsgId::ShapeTaperBall;
        case kShapeVertical:
            return MsgId::ShapeVertical;
        // An oval whose bottom reaches past the tool radius is the compound form.
        case kShapeOval:
            return t.e <= t.d / 2.0f ? MsgId::ShapeOval : MsgId::ShapeOvalR;
        case kShapeTThrow:
            return MsgId::ShapeTThrow;
        case kShapeRadius:
            return MsgId::ShapeRadius;
        case kShapeKegaki:
            return MsgId::ShapeKegaki;
        default:
            return MsgId::ShapeOther;
    }
}

}  // namespace

// An empty quoted name ("") shows the shape name: a blank label tells nothing.
std::string ToolShapeName(const ToolDef* tool) {
    if (!tool || !tool->defined) return std::string(Msg(MsgId::NoTool));
    if (tool->name && !tool->name->empty()) return *tool->name;
    return std::string(Msg(ShapeMessage(*tool)));
}

}  // namespace morvex
