// Message pump of long loops.
#include "frame/message_pump.h"

#include <chrono>

#include "platform/host.h"

namespace morvex {

std::int64_t ClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool PumpIfDue(MessagePump& pump, Host& host, std::int64_t nowMs) {
    const std::int64_t elapsed = nowMs - pump.lastPumpMs;
    if (elapsed >= 0 && elapsed <= kPumpIntervalMs) return false;
    pump.lastPumpMs = nowMs;
    host.PumpMessages();
    return true;
}

}  // namespace morvex
