// The pump of long loops: once per 3000 ms, and again when the clock goes back.
#include "frame/message_pump.h"

#include <gtest/gtest.h>

#include "support/recording_host.h"

namespace morvex {
namespace {

TEST(MessagePump, PumpsAfterTheIntervalOrWhenTheClockGoesBackwards) {
    test::RecordingHost host;
    MessagePump pump;
    pump.lastPumpMs = 10000;
    const struct {
        std::int64_t now;
        bool pumped;
    } steps[] = {
        {10001, false}, {13000, false}, {13001, true},  // more than 3000 since the last pump
        {16000, false}, {16002, true},  {15000, true},  // the clock went backwards
        {15500, false},
    };
    for (const auto& s : steps) EXPECT_EQ(PumpIfDue(pump, host, s.now), s.pumped) << s.now;
    EXPECT_EQ(host.pumps, 3);
}

}  // namespace
}  // namespace morvex
