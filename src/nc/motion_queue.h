// The interpreter's hand-out queue of motions: first in, first out, on
// storage that is kept from block to block, so that queueing a motion
// allocates nothing once the queue has grown to the longest block's motions.
#pragma once

#include <cstddef>
#include <vector>

#include "nc/path_record.h"

namespace morvex {

struct MotionQueue {
    std::vector<PathRecord> items;  // handed out from `head` on
    std::size_t head = 0;

    bool empty() const { return head == items.size(); }
    std::size_t size() const { return items.size() - head; }
    const PathRecord& front() const { return items[head]; }
    void push_back(const PathRecord& motion) {
        // A queue emptied by its reader starts again at the front of its storage.
        if (empty()) clear();
        items.push_back(motion);
    }
    void pop_front() {
        if (++head == items.size()) clear();
    }
    void clear() {
        items.clear();
        head = 0;
    }
};

}  // namespace morvex
