// The pump that long loops call so that the window is not taken for hung:
// when more than 3000 ms have passed since it last pumped (or the clock went
// backwards), it lets the host handle pending events.
#pragma once

#include <cstdint>

namespace morvex {

class Host;

inline constexpr std::int64_t kPumpIntervalMs = 3000;

struct MessagePump {
    std::int64_t lastPumpMs = 0;
};

// Milliseconds of a steady clock.
std::int64_t ClockMs();

// Returns true when it pumped.
bool PumpIfDue(MessagePump& pump, Host& host, std::int64_t nowMs);
inline bool PumpIfDue(MessagePump& pump, Host& host) { return PumpIfDue(pump, host, ClockMs()); }

}  // namespace morvex
