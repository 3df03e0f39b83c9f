// How far a long operation is, for the status line and the progress bar:
// a caption when a stage begins and the share done now and then, always on
// the calling thread. A default-made record tells nobody.
#pragma once

#include <functional>

#include "base/messages.h"

namespace morvex {

struct Progress {
    std::function<void(MsgId caption)> stage;
    std::function<void(double share)> advance;  // 0..1 of the current stage

    void Stage(MsgId caption) const {
        if (stage) stage(caption);
    }
    void Advance(double share) const {
        if (advance) advance(share);
    }
};

// Stage and Advance on a record that may be absent.
inline void StageOf(const Progress* p, MsgId caption) {
    if (p != nullptr) p->Stage(caption);
}
inline void AdvanceOf(const Progress* p, double share) {
    if (p != nullptr) p->Advance(share);
}

}  // namespace morvex
