// The machine definition: the machine tool's rapid and cutting feed limits
// and accelerations, how and how fast it changes tools, and the attachments
// (angle heads and the like) that may be mounted; read from an MTL file.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "base/file_time.h"

namespace morvex {

inline constexpr std::size_t kMaxAttachments = 10;      // ATTACHMENT lines listed
inline constexpr std::size_t kAttachmentNumbers = 11;   // attachment numbers 0..10
inline constexpr std::size_t kMaxAttachmentPairs = 5;   // blocks of one shape
// T div 10^digits must stay within int: 10^9 is the largest power that does.
inline constexpr int kMaxCodeDigits = 9;

// How the machine changes tools: DIRECT on every T word; WAIT on M06 after a
// T word preselected the tool; WAIT2 like WAIT, but an M06 block with its own
// T word changes to that tool at once.
enum class AtcType { Direct = 1, Wait = 2, Wait2 = 3 };

// Plain: the T word is the tool number. ToolAndOffset: the T word holds the
// tool number followed by `offsetDigits` digits of the length-offset number.
enum class ToolCodeMode { Plain = 0, ToolAndOffset = 4 };

enum class AttachmentType { None = 0, Square = 1 };

// Square blocks stacked upward from the holder top; pair i is block i.
struct AttachmentShape {
    AttachmentType type = AttachmentType::None;
    int subType = 0;    // always 0
    int pairCount = 0;  // 0..5; 0 only for SQUARE written without a block
    std::array<float, kMaxAttachmentPairs> first{};   // side length, mm
    std::array<float, kMaxAttachmentPairs> second{};  // height, mm

    bool operator==(const AttachmentShape&) const = default;
};

struct MachineDef {
    std::string name;
    AtcType atcType = AtcType::Direct;
    ToolCodeMode toolCodeMode = ToolCodeMode::Plain;
    int toolDigits = 0;              // 0..9
    int offsetDigits = 0;            // 0..9
    float toolChangeTime = 1.0f;     // seconds, chip to chip
    std::array<float, 3> rapid{10000.0f, 10000.0f, 10000.0f};   // mm/min, X Y Z
    std::array<float, 3> rapidAccel{0.1f, 0.1f, 0.1f};          // G (9800 mm/s²)
    std::array<float, 3> maxFeed{10000.0f, 10000.0f, 10000.0f}; // mm/min
    std::array<float, 3> accel{0.3f, 0.3f, 0.3f};               // G, cutting feed
    int attachmentCount = 0;                                     // 0..10
    std::array<int, kMaxAttachments> attachmentNo{};             // each 0..10
    std::array<AttachmentShape, kAttachmentNumbers> attachmentShape{};  // by number
    int initialAttachment = 0;  // 1-based position in attachmentNo, 0 none; never beyond attachmentCount
    int loaded = 0;             // 1 read, -1 file not found, 0 never read
    FileTime fileTime;          // last write of the file when it was read

    bool operator==(const MachineDef&) const = default;
};

// Reads the MTL file into `def` and returns def.loaded: 1 when read, -1 when
// the file cannot be opened. Every read resets atcType and toolCodeMode and
// records fileTime; a file that opens also empties the attachment list, the
// shapes and initialAttachment. All other fields keep their values from
// before until a line of the file sets them.
[[nodiscard]] int ReadMachineDef(const std::string& path, MachineDef& def);

}  // namespace morvex
