// The follow throttle's state machine.
#include "integration/follow_throttle.h"

namespace morvex {

void WantLine(FollowThrottle& t, int line, bool again) {
    if (line < 1) return;
    if (again) t.sent = 0;
    t.wanted = line;
}

namespace {
bool Waiting(const FollowThrottle& t) {
    return t.wanted != 0 && t.wanted != t.sent;
}
}  // namespace

int TakeLine(FollowThrottle& t, long long nowMs) {
    if (!Waiting(t) || t.inFlight) return 0;
    if (t.everStarted && nowMs - t.lastStartMs < kFollowSpacingMs) return 0;
    const int line = t.wanted;
    t.sent = line;
    t.wanted = 0;
    t.inFlight = true;
    t.everStarted = true;
    t.lastStartMs = nowMs;
    return line;
}

void CommandEnded(FollowThrottle& t) {
    t.inFlight = false;
}

long long NextSendMs(const FollowThrottle& t) {
    if (!Waiting(t) || t.inFlight) return -1;
    return t.everStarted ? t.lastStartMs + kFollowSpacingMs : 0;
}

}  // namespace morvex
