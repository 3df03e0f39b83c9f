// What the command line asked for: files to read, the unattended (automatic)
// run and its outputs, and values that take the place of settings keys.
#pragma once

#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "base/vec3.h"

namespace morvex {

// Output work format of /O, by the ending of its name.
enum class OutputFormat {
    None = 0,
    Dmf = 1,
    Stl = 2,
    StlBinary = 3,
    StlBinary2 = 4,
    Wrl = 5,
    WrlCompressed = 6,
    Plugin1 = 7,
    Plugin2 = 8,
    Plugin3 = 9,
};

struct WindowGeometry {
    int x = 0;
    int y = 0;
    int height = 0;
    int width = 0;
};

struct LaunchOptions {
    std::string settingsFile = "morvex.ini";
    bool settingsFromCommandLine = false;
    // Definition files named on the command line; empty when the settings decide.
    std::string toolTable;
    std::string controllerTable;
    std::string machineTable;
    std::string basicModel;

    std::string ncProgram;  // as given (a followed link gives its target)
    bool ncProgramOpened = false;
    std::string workFile;  // work to load: DMF, STL or a load plug-in format
    std::string outputWork;
    OutputFormat outputFormat = OutputFormat::None;

    std::optional<Vec3> controlPoint;  // /S(x,y,z)
    double workPitch = 0.0;            // /P(w,m); 0 when not given
    double movePitch = 0.0;
    std::optional<WindowGeometry> geometry;  // /(x,y,h,w)
    int processor = -1;                      // /G n
    std::optional<int> fOption;              // /F n[,text]
    std::string fText;

    int autoRunMode = 0;      // /X1 .. /X7
    std::string autoVariant;  // letters after /X3 .. /X6
    char workOperation = 0;   // 'O' offset, 'A' load-and-apply, 'M' modify (/XO, /XA, /XM)
    std::string workOperationKind;
    std::string workOperationFile;
    std::optional<double> offsetValue;
    int reportMode = 0;      // /V 1, /V5 5, /V6 6
    bool minimised = false;  // unattended: no window, settings section Save untouched
    bool endAtStart = false;    // the window's automatic run has no program: the program ends at once
    bool tellNcMissing = false;  // the window tells, once it is open, that the NC program is missing
    bool dOption = false;
    std::vector<double> dNumbers;  // /DX(n,...)

    bool showHelp = false;
    bool showVersion = false;
    int closeAfterMs = -1;     // --close-after: close the window after this many ms
    bool listMotions = false;  // --motions: print the NC program's motions and end
    bool checkProgram = false;  // --check: check the NC program, print the result and end
    bool optimize = false;      // --optimize: an unattended cut writes the optimised NC and cut data
    std::string imageFile;      // --image: picture of the work after an unattended run or a load
    std::optional<std::pair<double, double>> imageView;  // --view A,B (degrees)
    int imageWidth = 1200;      // --size WxH
    int imageHeight = 900;
};

// Largest side of a --size picture, pixels.
inline constexpr int kMaxImageSide = 16384;

enum class CommandLineStatus { Ok, Error };

// Extra work-file endings (".GRD") registered by load modules, and the
// endings of the save modules in slot order (/O formats 7, 8, 9).
struct CommandLineContext {
    std::vector<std::string> workEndings;
    std::vector<std::string> saverEndings;
};

// Parses the arguments after the program name. On an unusable argument the
// status is Error and `error` holds the message (in the current language).
[[nodiscard]] CommandLineStatus ParseCommandLine(const std::vector<std::string>& args,
                                                 const CommandLineContext& context,
                                                 LaunchOptions& options, std::string& error);

// Output format and file name of an /O value: the ",b", ",b2" and ",z" tails
// are removed; a name ending as the n-th of `saverEndings` (compared as
// file endings are, over the last four characters) is format 7 + n; a name
// without a known ending gets ".DMF".
OutputFormat ClassifyOutputName(std::string& name, const std::vector<std::string>& saverEndings = {});

// The option list printed by --help, one line each.
std::string CommandLineHelp();

}  // namespace morvex
