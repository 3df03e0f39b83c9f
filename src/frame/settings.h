// The Settings record: every value of the settings file "morvex.ini" with its
// default, grouped by the file's sections, plus the values derived while
// reading (light angles, automatic pitches, thread counts).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/vec3.h"
#include "view/display_settings.h"

namespace morvex {

// Worker-thread count as the program keeps it: n and n - 1.
struct ThreadCount {
    int count = 0;
    int countMinusOne = -1;
};

// Section Table: definition-file directories and the files read at start-up,
// resolved to the paths that are read.
struct TableSettings {
    std::string ttlDir;
    std::string ctlDir;
    std::string mtlDir;
    std::string toolTable;
    std::string controllerTable;
    std::string machineTable;
};

// Section DMFdata.
struct DmfSettings {
    std::string dmfDir;
    int saveLevel = 1;  // 1 shape, 2 with paint/pen/direction, 3 with line numbers
    int dataLevel = 1;  // 1 backup and line numbers, 2 no line numbers, 3 no backup, 4 neither
    bool stlFilter = false;
    bool bottomFilter = false;
    bool stlCheck = false;
    bool valueTypeInt = false;
    Vec3 initialMin{0.0, 0.0, 0.0};      // mm
    Vec3 initialMax{100.0, 100.0, 30.0};  // mm
    std::string basicModel;               // resolved path; empty when none
    bool basicModelOn = false;
    bool shareMode = false;
    std::string shareName = "MORVEXDMF";  // at most 35 characters
    int syncDisplay = 0;
};

// Section NCdata.
struct NcSettings {
    std::string ncDir;
    std::string ncFilePattern = "*.NC";
};

// Section OUTPUTdata.
struct OutputSettings {
    std::string logDir;
    std::string lengthDir;
    std::string verifyDir;
    std::string verifySuffix = "txt";  // at most 9 characters
    bool lengthAppend = false;
    bool verifyAppend = false;
    int lengthNamingMode = 0;  // 0 none, 1 fixed, 2 automatic
    int verifyNamingMode = 1;  // 1 fixed, 2 automatic
};

// Section Optimize: the optimised NC program and the cut data.
struct OptimizeSettings {
    bool torqueValue = false;  // optimise by torque instead of volume
    int optCut = 1;            // 0 no, 1 optimise, 2 escape
    int optAircut = 1;         // 0 no, 1 escape, 2 maximum optimised feed, 3 maximum machine feed
    int cutData = 0;           // 0 no, 1 text, 2 text and open, 3 binary, 4 binary and open
    int cutDataNameMode = 0;   // 0 fixed, 1 automatic
    std::string cutDataSuffixTxt = "TXT";
    std::string cutDataSuffixBin = "BIN";
    int optNc = 2;  // 0 no, 1 write, 2 write and open
    int optNcNameMode = 0;
    std::string optNcSuffix = "ONC";
    double vApproach = 0.1;
    double escapeWidth = 0.0;   // mm
    double escapeHeight = 3.0;  // mm
    std::string optNcDir;
    std::string cutDataDir;
};

// Section Define, work and simulation keys.
struct WorkSettings {
    Vec3 workMargin{};  // mm
    Vec3 controlPoint{};
    int newControlPointStart = 0;  // 0 box top, 1 current, 2 specified
    int newControlPoint = 0;
    Vec3 specifiedPointStart{0.0, 0.0, 100.0};
    Vec3 specifiedPoint{0.0, 0.0, 100.0};
    int toolBasePoint = 0;  // 0 bottom, 1 ball centre, 2 F centre, 3 length top, 4 arbor top
    double minimumPitch = 0.001;  // mm
    double workPitch = 1.0;       // mm
    bool autoPitch = false;
    int autoPitchCells = 20000;
    double movePitch = 1.0;  // mm
    bool autoMovePitch = false;
    double movePitchFactor = 1.0;
    float weldingHeight = 0.5f;
    float weldingWidth = 5.0f;
    int weldingPen = 0;
    float grinderDepth = 1.0f;
    float grinderWidth = 3.0f;
    int grinderPen = 0;
    float paperDepth = 0.1f;
    float paperWidth = 1.0f;
    int paperPen = 0;
    float brushWidth = 1.0f;
    float heraWidth = 1.0f;
    int rapidInterferenceMode = 1;  // 0 no check, 1 abort, 2 pause
    int arborMode = 3;              // 0 ignore, 1 required length, 2 cut, 3 abort, 4 pause
    int lengthMode = 2;             // 0 no, 1 required length, 2 abort, 3 pause
    int chipMode = 0;               // 0 no, 1 required width, 2 abort, 3 pause
    double rapidFeedrate = 999999999.0;  // mm/min
    int toolClearanceMode = 0;           // 0 no, 1 yes, 2 with the given clearance
    double toolClearance = 0.0;
    int arborClearanceMode = 0;
    double arborClearance = 0.0;
    bool sound = false;
    bool ignoreG00 = false;
    bool differenceAlways = false;
    ThreadCount sweepThreads;   // threadnc: row strips of the step sweeper
    ThreadCount offsetThreads;  // threadno / MULTI THREAD: bands of the work offset
    bool volumeInM3 = false;
    double offsetValue = 5.0;  // mm
    int stopKey = 17;          // virtual key: 17 Ctrl, 32 space, 19 pause
    int escapeKey = 27;        // virtual key: 27 Esc, 3 break, 19 pause
    int maxMagazine = 200;
    int thinCount = 5;
    bool thinXEdgeAdd = true;
    bool thinYEdgeAdd = true;
};

// Sections ExecEditor and ExecSelf.
struct EditorSettings {
    std::string program = "notepad";
    std::string option = "%1";
    int macroNo = -1;
    std::string macroName = "MORVEXJUMP.MAC";
    bool selectOpen = false;
    bool closeEnd = false;
    std::string ttlEditor;
    std::string ctlEditor;
    std::string mtlEditor;
    std::string iniEditor;
    std::string defEditor;
    std::string monEditor;
    std::string selfOption = "/X2 VAZED!.NC";
};

// Section Mouse.
struct MouseSettings {
    bool moveWhileRightButtonDown = false;  // false: a right click toggles move mode
    bool wheelReverse = false;
};

// Section Save: window placement, panels and which colours are saved.
struct SaveSettings {
    int display = 0;
    int workColor = 0;
    int toolColor = 0;
    int lineColor = 0;
    int background = 0;
    int x = -1;
    int y = -1;
    int height = -1;
    int width = -1;
    int show = 1;
    int viewPanel = 0;
    int viewToolDialog = 0;
};

// Section Sync.
struct SyncSettings {
    int mode = 0;  // 0 none, 1 lock-step, 2 shared position record
    std::string shareName = "MORVEXSYNC";
    std::uint8_t total = 0;
    std::uint8_t number = 0;  // this instance, 0-based
    int timeoutSeconds = 60;  // SYNC TIMEOUT: longest wait for a partner at a step; 0 no limit
};

// The display keys and colours are the view's own record (ViewSettings), so
// that the drawing code takes them without knowing the rest of the settings.
struct Settings : ViewSettings {
    TableSettings table;
    DmfSettings dmf;
    NcSettings nc;
    OutputSettings output;
    OptimizeSettings optimize;
    WorkSettings work;
    EditorSettings editor;
    MouseSettings mouse;
    SaveSettings save;
    SyncSettings sync;
};

// Key name and default text of each colour, in ColorKey order.
struct ColorKeyInfo {
    const char* key;
    const char* fallback;
};
const ColorKeyInfo& ColorKeyOf(ColorKey key);

}  // namespace morvex
