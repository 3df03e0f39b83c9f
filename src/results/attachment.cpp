// The mounted attachment for the tool profile.
#include "results/attachment.h"

#include <algorithm>

namespace morvex {

AttachmentBlocks AttachmentOf(const MachineDef& machine, int position) {
    AttachmentBlocks blocks;
    if (position < 1 || position > machine.attachmentCount || position > static_cast<int>(kMaxAttachments)) {
        return blocks;
    }
    const int number = machine.attachmentNo[static_cast<std::size_t>(position - 1)];
    if (number < 0 || number >= static_cast<int>(kAttachmentNumbers)) return blocks;
    const AttachmentShape& shape = machine.attachmentShape[static_cast<std::size_t>(number)];
    if (shape.type != AttachmentType::Square) return blocks;
    blocks.count = std::clamp(shape.pairCount, 0, static_cast<int>(blocks.side.size()));
    for (int i = 0; i < blocks.count; ++i) {
        blocks.side[static_cast<std::size_t>(i)] = shape.first[static_cast<std::size_t>(i)];
        blocks.height[static_cast<std::size_t>(i)] = shape.second[static_cast<std::size_t>(i)];
    }
    return blocks;
}

}  // namespace morvex
