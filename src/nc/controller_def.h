// The controller definition: how the simulated machine's controller reads NC
// programs (units, decimal points, dialect, modal defaults, cycles, scaling,
// axis letters, stops, replacements) and its memories of tool offsets,
// numbered feeds and work coordinate systems.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/file_time.h"

namespace morvex {

inline constexpr int kOffsetNumbers = 1000;    // D, H and F numbers 0..999
inline constexpr int kWorkEntries = 201;       // work coordinate entries 0..200
inline constexpr int kMaxReplacements = 30;
inline constexpr int kMaxStopStrings = 22;
inline constexpr int kStopStringChars = 10;
inline constexpr int kMaxWaitCodes = 10;
inline constexpr int kWaitFileChars = 14;

enum class ProductFamily { Standard = 0, Osp = 1, Heidenhain = 11 };

struct Replacement {
    std::string from;
    std::string to;
};

struct WaitCode {
    int mCode = 0;
    std::string file = "waitfile";  // as written, at most 14 characters
    std::string path;               // absolute, relative names taken in the controller file's folder
};

// Two columns of an offset: the value and the second value (wear).
struct OffsetValue {
    float value = 0.0f;
    float second = 0.0f;
};

struct WorkCoordinate {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct ControllerDef {
    std::string name;
    std::array<int, 3> nameColor{255, 0, 0};
    std::array<int, 3> nameBackground{255, 255, 0};
    std::vector<Replacement> replacements;  // at most 30
    int scaleIncrement = 1000;              // UNIT(SCALE)
    int angleIncrement = 1000;              // UNIT(DEG)
    int lengthIncrement = 1000;             // UNIT
    double positionTolerance = 0.0005;      // mm: shorter motions are not cut
    int decimalPoint = 0;                   // 0..3; 3 NORMAL takes every number as written
    ProductFamily product = ProductFamily::Standard;
    int preRead = 0;          // look-ahead blocks
    int g40Mode = 1;          // 1 OFFSET, 2 RESET
    int initialPlane = 17;    // 17, 18, 19
    int returnLevel = 1;      // 1 initial level (G98), 0 R level (G99)
    bool checkF0 = false;
    float rTolerance = 1000000.0f;  // held across reads
    bool codeCheck = false;
    std::string checkChars;
    bool hasCheckChars = false;
    bool radiusCheck = false;
    bool radiusCheckStop = false;
    int radiusCheckList = 0;  // 0 none, 1 LIST, 2 OPEN
    bool radiusCheckPaint = false;
    bool checkReverseArc = false;
    bool checkOverOffset = false;
    float smoothAngle = 2.0f;  // degrees; held across reads
    int feedMode = 0;          // 0 DIRECT, 1 INDIRECT, 2 AUTO1, 3 AUTO2
    int g10Mode = 0;           // 0 none, 1 FANUC-A, 2 FANUC-B, 3 FANUC-C
    int g92Mode = 0;           // 0 NORMAL, 1 MOVE
    int g49Mode = 0;           // 0 NORMAL, 1 KEEP
    int g00Mode = 0;           // 0 LINE, 1 ASYNC1, 2 ASYNC2, 9 UNKNOWN
    bool g00PathLine = false;
    std::array<bool, 10> skipLevels{};
    bool skipActive = false;
    std::vector<std::string> stopStrings;  // at most 22 of at most 10 characters
    bool concaveArcFeed = true;
    int stopOption = 0;  // 0 NONE, 1 NORMAL, 2 M01, 3 SINGLE, 4 DEFINE
    std::vector<WaitCode> waitCodes;  // at most 10
    float g73Return = 1.0f;           // held across reads
    float g83Clearance = 1.0f;        // held across reads
    std::array<double, 20> cycleClearance{};  // G70..G89
    bool ignoreL0 = false;
    bool ignoreK0 = false;
    std::array<bool, 3> scaleEffect{true, true, true};
    std::array<double, 3> scale{1.0, 1.0, 1.0};
    double rotationAngle = 0.0;  // degrees
    std::array<char, 3> axisLetters{'X', 'Y', 'Z'};    // of the machine X, Y, Z axes
    std::array<char, 3> centreLetters{'I', 'J', 'K'};  // of the machine X, Y, Z axes
    std::array<bool, 3> axisReversed{};                // per NC X, Y, Z code
    char endOfRecord = ' ';
    std::array<OffsetValue, kOffsetNumbers> dOffsets{};
    std::array<OffsetValue, kOffsetNumbers> hOffsets{};
    std::array<float, kOffsetNumbers> fTable{};  // held across reads
    std::array<WorkCoordinate, kWorkEntries> work{};  // 1..6 are G54..G59
    // Plane codes carried by the machine planes XY, ZX, YZ (17, 18, 19;
    // negative when the axis mapping reverses the plane's orientation).
    std::array<int, 3> planeCodes{17, 18, 19};
    FileTime fileTime;
    int readStatus = 0;  // 1 read, -1 the file failed to open
};

}  // namespace morvex
