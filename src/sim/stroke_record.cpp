#include "sim/stroke_record.h"

namespace morvex {

void AllocateStrokeRecord(StrokeRecord& record) {
    record.x.assign(kStrokePoints, 0.0f);
    record.y.assign(kStrokePoints, 0.0f);
    record.z.assign(kStrokePoints, 0.0f);
    record.continues.assign(kStrokePoints, 0);
    record.count = 0;
}

std::size_t AppendStrokePoint(StrokeRecord& record, float x, float y, float z, bool continues) {
    if (record.x.size() < kStrokePoints) AllocateStrokeRecord(record);
    if (record.count >= kStrokePoints) record.count = 0;
    const std::size_t slot = record.count++;
    record.x[slot] = x;
    record.y[slot] = y;
    record.z[slot] = z;
    record.continues[slot] = continues ? 1 : 0;
    return slot;
}

}  // namespace morvex
