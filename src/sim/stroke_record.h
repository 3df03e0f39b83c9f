// The stroke record: the points a hand tool or the point measurement went
// through, in the order the mouse gave them. Its buffers are allocated once
// at start-up; when they are full the record starts again from the first
// slot, so a long session never grows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvex {

inline constexpr std::size_t kStrokePoints = 10000;

struct StrokeRecord {
    std::vector<float> x, y, z;         // kStrokePoints each
    std::vector<std::uint8_t> continues;  // 1: the point continues the previous stroke
    std::size_t count = 0;              // points in use (the next slot)
};

// Allocates the buffers (kStrokePoints points) and empties the record.
void AllocateStrokeRecord(StrokeRecord& record);

// Appends a point; the point after the last slot goes to slot 0 again and
// the record holds that one point. Returns the slot written.
std::size_t AppendStrokePoint(StrokeRecord& record, float x, float y, float z, bool continues);

}  // namespace morvex
