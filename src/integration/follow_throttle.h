// Keeps an editor that follows the NC line from being flooded with
// commands: at most one command per spacing interval, never a second one
// while the first has not ended, and of the lines asked for meanwhile only
// the latest is sent. Fed with times, so that it needs no clock of its own.
#pragma once

namespace morvex {

inline constexpr long long kFollowSpacingMs = 100;

struct FollowThrottle {
    int wanted = 0;         // the latest line asked for, 0 none
    int sent = 0;           // the line of the last command started, 0 none
    bool inFlight = false;  // a command was started and has not ended
    bool everStarted = false;
    long long lastStartMs = 0;  // when the last command was started
};

// Asks for a line; it replaces one asked for before and not yet sent. A
// line that was the last one sent is not sent again unless `again`.
void WantLine(FollowThrottle& t, int line, bool again = false);

// The line to send a command for at `nowMs`, 0 when none may go now; a line
// returned counts as started and in flight.
int TakeLine(FollowThrottle& t, long long nowMs);

// The command started last has ended (or could not be started).
void CommandEnded(FollowThrottle& t);

// When the waiting line may go, or -1 when nothing waits or a command is in
// flight (its end is what lets the next one go).
long long NextSendMs(const FollowThrottle& t);

}  // namespace morvex
