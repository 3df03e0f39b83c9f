// Command-line parsing: Windows-style options ("/" or "-" and a letter, the
// value directly after it or in the next argument) and plain file arguments
// classified by their ending.
#include <cmath>
#include <filesystem>
#include <system_error>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "frame/launch_options.h"
#include "integration/plugins.h"
#include "nc/definition_reader.h"

namespace morvex {
namespace {

struct Cursor {
    const std::vector<std::string>& args;
    std::size_t index = 0;
};

std::string Fail(MsgId id, std::string_view detail) {
    return std::string(Msg(id)) + std::string(detail);
}

// The value of an option: the text after its letters, else the next argument.
bool TakeValue(Cursor& cur, std::string_view rest, std::string& value) {
    const std::string_view trimmed = TrimBlanks(rest);
    if (!trimmed.empty()) {
        value = std::string(trimmed);
        return true;
    }
    if (cur.index + 1 >= cur.args.size()) return false;
    value = cur.args[++cur.index];
    return true;
}

// Reads up to `count` numbers of a "(a,b,c)" text; returns how many were there.
std::size_t ReadNumberList(std::string_view text, double* out, std::size_t count) {
    std::size_t cursor = 0;
    std::size_t found = text.find_first_of("1234567890-.") == std::string_view::npos ? 0 : 1;
    ReadNumberDouble(cursor, text, out[0]);
    for (std::size_t i = 1; i < count; ++i) {
        if (text.find(',', cursor) != std::string_view::npos) ++found;
        ReadNextDouble(cursor, text, out[i]);
    }
    return found;
}

bool ParseInt(std::string_view text, int& out) {
    text = TrimBlanks(text);
    if (text.empty()) return false;
    std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size()) return false;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
        if (value > 1000000000LL) return false;
    }
    out = static_cast<int>(text[0] == '-' ? -value : value);
    return true;
}

bool ParseNumber(std::string_view text, double& out) {
    text = TrimBlanks(text);
    if (text.empty() || text.find_first_not_of("0123456789.-+eE") != std::string_view::npos) {
        return false;
    }
    std::size_t cursor = 0;
    ReadNumberDouble(cursor, text, out);
    return true;
}

bool IsKnownWorkEnding(std::string_view name, const CommandLineContext& context) {
    if (EndsWithNoCase(name, ".DMF") || EndsWithNoCase(name, ".STL")) return true;
    for (const std::string& ending : context.workEndings) {
        if (EndsWithPluginSuffix(name, ending)) return true;
    }
    return false;
}

// Sets `slot` unless an earlier argument or option already gave that kind.
void SetOnce(std::string& slot, const std::string& value) {
    if (slot.empty()) slot = value;
}

bool HasKnownEnding(std::string_view name, const CommandLineContext& context) {
    return EndsWithNoCase(name, ".INI") || EndsWithNoCase(name, ".TTL") ||
           EndsWithNoCase(name, ".CTL") || EndsWithNoCase(name, ".MTL") ||
           IsKnownWorkEnding(name, context);
}

bool ClassifyPlainArgument(const std::string& arg, const CommandLineContext& context,
                           LaunchOptions& options, std::string& error) {
    namespace fs = std::filesystem;
    // A name with a known ending is that kind, link or not; a link with any
    // other name (a shortcut) is classified by the file it points to.
    std::string target = arg;
    std::error_code ec;
    if (!HasKnownEnding(arg, context) && fs::is_symlink(arg, ec)) {
        const fs::path resolved = fs::canonical(arg, ec);
        if (ec) {
            error = Fail(MsgId::LinkNotResolved, arg);
            return false;
        }
        target = resolved.string();
    } else if (EndsWithNoCase(arg, ".lnk")) {
        error = Fail(MsgId::LinkNotResolved, arg);
        return false;
    }

    if (EndsWithNoCase(target, ".INI")) {
        if (!options.settingsFromCommandLine) {
            options.settingsFile = target;
            options.settingsFromCommandLine = true;
        }
    } else if (EndsWithNoCase(target, ".TTL")) {
        SetOnce(options.toolTable, target);
    } else if (EndsWithNoCase(target, ".CTL")) {
        SetOnce(options.controllerTable, target);
    } else if (EndsWithNoCase(target, ".MTL")) {
        SetOnce(options.machineTable, target);
    } else if (IsKnownWorkEnding(target, context)) {
        SetOnce(options.workFile, target);
    } else if (options.ncProgram.empty()) {
        options.ncProgram = target;
        options.ncProgramOpened = CanOpenForReading(target);
    }
    return true;
}

bool ParseAutoRun(Cursor& cur, std::string_view rest, LaunchOptions& options) {
    if (rest.empty()) return false;
    const char first = ToUpperAscii(rest[0]);
    if (first >= '1' && first <= '7') {
        options.autoRunMode = first - '0';
        if (options.autoRunMode >= 3 && options.autoRunMode <= 6) {
            options.autoVariant = ToUpperAscii(rest.substr(1));
        } else if (rest.size() > 1) {
            return false;
        }
        if (options.autoRunMode >= 6) options.minimised = true;
        return true;
    }
    if (first != 'O' && first != 'A' && first != 'M') return false;
    options.workOperation = first;
    options.minimised = true;
    // The kind may follow directly (/XON,1.5) or as the next argument (/XO N,1.5).
    std::string bodyText(rest.substr(1));
    if (TrimBlanks(bodyText).empty() && !TakeValue(cur, {}, bodyText)) return false;
    const std::string_view body = TrimBlanks(bodyText);
    if (first == 'O') {
        // Offset kind, then optionally ",value" or the value as the next argument.
        const std::size_t comma = body.find(',');
        const std::string kind = ToUpperAscii(TrimBlanks(body.substr(0, comma)));
        static constexpr std::string_view kKinds[] = {"Z", "Z2", "N", "N2", "N3", "H", "H2", "H3"};
        bool known = false;
        for (const std::string_view k : kKinds) known = known || kind == k;
        if (!known) return false;
        options.workOperationKind = kind;
        double value = 0.0;
        if (comma != std::string_view::npos) {
            if (!ParseNumber(body.substr(comma + 1), value)) return false;
            options.offsetValue = value;
        } else if (cur.index + 1 < cur.args.size() && ParseNumber(cur.args[cur.index + 1], value)) {
            options.offsetValue = value;
            ++cur.index;
        }
        return true;
    }
    if (first == 'A') {
        if (body.empty()) return false;
        const char side = ToUpperAscii(body[0]);
        if (side != 'H' && side != 'L') return false;
        options.workOperationKind = std::string(1, side);
        return TakeValue(cur, body.substr(1), options.workOperationFile);
    }
    options.workOperationKind = ToUpperAscii(body);
    return true;
}

bool ParseLongOption(Cursor& cur, const std::string& arg, LaunchOptions& options,
                     std::string& error) {
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    if (name == "--help") {
        options.showHelp = true;
        return true;
    }
    if (name == "--version") {
        options.showVersion = true;
        return true;
    }
    if (name == "--motions") {
        options.listMotions = true;
        return true;
    }
    if (name == "--check") {
        options.checkProgram = true;
        return true;
    }
    if (name == "--optimize") {
        options.optimize = true;
        return true;
    }
    if (name == "--image" || name == "--view" || name == "--size") {
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (!TakeValue(cur, "", value)) {
            error = Fail(MsgId::MissingOptionValue, arg);
            return false;
        }
        bool ok = !value.empty();
        if (name == "--image") {
            options.imageFile = value;
            options.minimised = true;  // a picture needs no window
        } else {
            const char separator = name == "--view" ? ',' : 'x';
            const std::size_t at = value.find(separator);
            ok = ok && at != std::string::npos;
            if (ok && name == "--view") {
                double a = 0.0, b = 0.0;
                ok = ParseNumber(value.substr(0, at), a) && ParseNumber(value.substr(at + 1), b) &&
                     std::isfinite(a) && std::isfinite(b);
                if (ok) options.imageView = std::pair{a, b};
            } else if (ok) {
                int w = 0, h = 0;
                ok = ParseInt(value.substr(0, at), w) && ParseInt(value.substr(at + 1), h) && w > 0 && h > 0 &&
                     w <= kMaxImageSide && h <= kMaxImageSide;
                if (ok) options.imageWidth = w, options.imageHeight = h;
            }
        }
        if (!ok) error = Fail(MsgId::BadOptionValue, arg + " " + value);
        return ok;
    }
    if (name == "--close-after") {
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (!TakeValue(cur, "", value)) {
            error = Fail(MsgId::MissingOptionValue, arg);
            return false;
        }
        int ms = 0;
        if (!ParseInt(value, ms) || ms < 0) {
            error = Fail(MsgId::BadOptionValue, arg + " " + value);
            return false;
        }
        options.closeAfterMs = ms;
        return true;
    }
    error = Fail(MsgId::UnknownOption, arg);
    return false;
}

bool ParseOption(Cursor& cur, const std::string& arg, const CommandLineContext& context, LaunchOptions& options,
                 std::string& error) {
    const std::string_view body = std::string_view(arg).substr(1);
    const char letter = ToUpperAscii(body[0]);
    const std::string_view rest = body.substr(1);
    std::string value;
    auto needValue = [&]() {
        if (TakeValue(cur, rest, value)) return true;
        error = Fail(MsgId::MissingOptionValue, arg);
        return false;
    };
    auto bad = [&]() {
        error = Fail(MsgId::BadOptionValue, arg);
        return false;
    };

    switch (letter) {
    case '(': {
        double v[4] = {};
        if (ReadNumberList(body, v, 4) < 4) return bad();
        options.geometry = WindowGeometry{TruncateToInt(v[0]), TruncateToInt(v[1]),
                                          TruncateToInt(v[2]), TruncateToInt(v[3])};
        return true;
    }
    case 'I':
        if (!needValue()) return false;
        options.settingsFile = value;
        options.settingsFromCommandLine = true;
        return true;
    case 'T':
        if (!needValue()) return false;
        options.toolTable = value.substr(0, value.find(','));
        return true;
    case 'C':
        if (!needValue()) return false;
        options.controllerTable = value;
        return true;
    case 'M':
        if (!needValue()) return false;
        options.machineTable = value;
        return true;
    case 'K':
        if (!needValue()) return false;
        options.basicModel = value;
        return true;
    case 'O':
        if (!needValue()) return false;
        options.outputFormat = ClassifyOutputName(value, context.saverEndings);
        options.outputWork = value;
        return true;
    case 'S': {
        if (!needValue()) return false;
        double v[3] = {};
        if (ReadNumberList(value, v, 3) < 3) return bad();
        options.controlPoint = Vec3{v[0], v[1], v[2]};
        return true;
    }
    case 'P': {
        if (!needValue()) return false;
        double v[2] = {};
        if (ReadNumberList(value, v, 2) < 2 || v[0] < 0.0 || v[1] < 0.0) return bad();
        options.workPitch = v[0];
        options.movePitch = v[1];
        return true;
    }
    case 'G':
        if (!needValue()) return false;
        if (!ParseInt(value, options.processor)) return bad();
        return true;
    case 'F': {
        if (!needValue()) return false;
        const std::size_t comma = value.find(',');
        int number = 0;
        if (!ParseInt(value.substr(0, comma), number)) return bad();
        options.fOption = number;
        options.fText = comma == std::string::npos ? std::string() : value.substr(comma + 1);
        return true;
    }
    case 'X':
        if (!ParseAutoRun(cur, rest, options)) return bad();
        return true;
    case 'V':
        // "/V 5" and "/V 6" with a blank, unless a file has that name.
        if (rest.empty() && cur.index + 1 < cur.args.size() &&
            (cur.args[cur.index + 1] == "5" || cur.args[cur.index + 1] == "6") &&
            !IsExistingPath(cur.args[cur.index + 1])) {
            options.reportMode = cur.args[++cur.index][0] - '0';
        } else if (rest.empty()) {
            options.reportMode = 1;
        } else if (rest == "5" || rest == "6") {
            options.reportMode = rest[0] - '0';
        } else {
            return bad();
        }
        if (options.reportMode == 6) options.minimised = true;
        return true;
    case 'D':
        options.dOption = true;
        if (rest.empty()) return true;
        if (ToUpperAscii(rest[0]) != 'X') return bad();
        {
            // Every number of the parenthesised list, in order; the list may
            // also come as the next argument.
            std::string listText(rest.substr(1));
            if (TrimBlanks(listText).empty() && !TakeValue(cur, "", listText)) return bad();
            const std::string_view list = listText;
            std::size_t cursor = 0;
            double number = 0.0;
            ReadNumberDouble(cursor, list, number);
            if (list.find_first_of("1234567890-.") == std::string_view::npos) return bad();
            options.dNumbers.push_back(number);
            while (list.find(',', cursor) != std::string_view::npos) {
                ReadNextDouble(cursor, list, number);
                options.dNumbers.push_back(number);
            }
        }
        return true;
    default:
        error = Fail(MsgId::UnknownOption, arg);
        return false;
    }
}

bool LooksLikeOption(const std::string& arg) {
    if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) return false;
    if (arg[0] == '-') return true;
    // A "/" word naming an existing file or directory is a file, and so is
    // an absolute path whose first directory exists ("/tmp/new.nc"), so
    // that a mistyped file name is never taken for an option and its value.
    if (IsExistingPath(arg)) return false;
    const std::size_t second = arg.find('/', 1);
    return second == std::string::npos || !IsExistingPath(arg.substr(0, second));
}

}  // namespace

OutputFormat ClassifyOutputName(std::string& name, const std::vector<std::string>& saverEndings) {
    struct Ending {
        std::string_view text;
        std::size_t keep;  // characters of the ending that stay in the name
        OutputFormat format;
    };
    static constexpr Ending kEndings[] = {
        {".STL,b2", 4, OutputFormat::StlBinary2}, {".STL,b", 4, OutputFormat::StlBinary},
        {".WRL,z", 4, OutputFormat::WrlCompressed}, {".STL", 4, OutputFormat::Stl},
        {".WRL", 4, OutputFormat::Wrl},           {".DMF", 4, OutputFormat::Dmf},
    };
    for (const Ending& e : kEndings) {
        if (EndsWithNoCase(name, e.text)) {
            name.resize(name.size() - e.text.size() + e.keep);
            return e.format;
        }
    }
    for (std::size_t i = 0; i < saverEndings.size() && i < 3; ++i) {
        if (EndsWithPluginSuffix(name, saverEndings[i])) {
            return static_cast<OutputFormat>(static_cast<int>(OutputFormat::Plugin1) + static_cast<int>(i));
        }
    }
    name += ".DMF";
    return OutputFormat::Dmf;
}

CommandLineStatus ParseCommandLine(const std::vector<std::string>& args,
                                   const CommandLineContext& context, LaunchOptions& options,
                                   std::string& error) {
    Cursor cur{args};
    bool optionsEnded = false;
    for (; cur.index < args.size(); ++cur.index) {
        const std::string& arg = args[cur.index];
        if (arg.empty()) continue;
        bool ok = true;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.rfind("--", 0) == 0) {
            ok = ParseLongOption(cur, arg, options, error);
        } else if (!optionsEnded && LooksLikeOption(arg)) {
            ok = ParseOption(cur, arg, context, options, error);
        } else {
            ok = ClassifyPlainArgument(arg, context, options, error);
        }
        if (!ok) return CommandLineStatus::Error;
    }
    // A named NC program that is not there yet may still be found in the NC
    // folder of the settings; the look-up after reading them decides.
    const bool somethingToDo = !options.ncProgram.empty() || !options.workFile.empty() ||
                               options.reportMode != 0 || !options.outputWork.empty();
    if (!somethingToDo) options.autoRunMode = 0;
    return CommandLineStatus::Ok;
}

std::string CommandLineHelp() {
    return "Usage: morvex [options] [files]\n"
           "Options start with \"/\" or \"-\"; letters in either case; a value may follow\n"
           "directly or as the next argument.\n"
           "  /I file        settings file (default morvex.ini)\n"
           "  /T file        tool table (.TTL); a comma ends the name\n"
           "  /C file        controller definition (.CTL)\n"
           "  /M file        machine definition (.MTL)\n"
           "  /K file        basic (reference) model\n"
           "  /O file        output work after an automatic run: .DMF, .STL (text), .STL,b\n"
           "                 (binary), .STL,b2 (binary, big-endian), .WRL (VRML), .WRL,z\n"
           "                 (VRML gzipped); the ending of a save module (mvsave, mvsave1..3\n"
           "                 next to the program): its format, 7 to 9 in slot order; no known\n"
           "                 ending: .DMF is appended\n"
           "  /S(x,y,z)      control point (the setting CONTROL POINT is not read)\n"
           "  /P(w,m)        work pitch and move pitch (PITCH(WORK), PITCH(MOVE) not read)\n"
           "  /(x,y,h,w)     window position x, y, height h and width w\n"
           "  /G n           processor number for the main thread\n"
           "  /F n[,text]    integer option kept for the run\n"
           "  /X1 .. /X7     automatic run of the NC program once the window is open:\n"
           "                 /X1 real machining, /X2 skip machining, /X3 machining with\n"
           "                 result display, /X4 fast skip machining, /X5 fast machining\n"
           "                 with result display; after the run the /O work and the /V\n"
           "                 report are written and the window stays open.\n"
           "                 /X6: cut unattended, no window (machining with result\n"
           "                 display) and write the work to the /O file; /X7: the same\n"
           "                 with the fast version. Work: a .DMF, .STL or load module's\n"
           "                 file argument, else /DX(xmin,ymin,zmin,xmax,ymax,zmax),\n"
           "                 else /D (the optimum\n"
           "                 work around the program), else INITIAL SIZE. Status 0 ran\n"
           "                 to the end, 1 an alarm or NC error ended it, 2 unusable\n"
           "                 arguments or files\n"
           "  /X3../X6 letters  variant letters after the mode: O also write the optimised\n"
           "                 NC and cut data, N non-stop (no stop at M00, M01, stop blocks)\n"
           "  /XO kind,v     offset the work by v mm and write it to /O: Z along Z, N along\n"
           "                 the surface normal, H horizontally; Z2, N2, H2 only painted\n"
           "                 nodes; N3, H3 the basic model (/K) instead, written as the work\n"
           "  /XA{H|L} file  merge a .DMF, .STL or load module's model into the work, Higher\n"
           "                 or Lower\n"
           "  /XM letters    turn the work, letters in order: R 90, L -90, U 180 degrees,\n"
           "                 X mirror at X=0, Y mirror at Y=0, F/G turn over along X/Y\n"
           "  /V, /V5        with /X1../X7: write the cutting-information report after the cut\n"
           "  /V6            check the program and write its report, no window\n"
           "  /D, /DX(n,..)  work definition of an unattended cut: /D the optimum work\n"
           "                 from the program's cutting extents, /DX the box given\n"
           "  --help         this list\n"
           "  --version      program version\n"
           "  --close-after ms  close the window after ms milliseconds (smoke tests)\n"
           "  --motions      print the motions of the NC program as JSON Lines and end\n"
           "  --check        check the NC program and print its extents, lengths and times as JSON\n"
           "  --optimize     with /X6 or /X7: also write the optimised NC and the cut data as\n"
           "                 section Optimize of the settings says\n"
           "  --image F.png  after an unattended cut (or with a work file) write a picture of\n"
           "                 the work, fitted as the F key does\n"
           "  --view A,B     the picture's angles (default the settings' ANGLE-A, ANGLE-B)\n"
           "  --size WxH     the picture's size in pixels (default 1200x900)\n"
           "Files by ending: .INI settings, .TTL, .CTL, .MTL definitions, .DMF/.STL work\n"
           "(and the ending of a load module, mvload, mvload1..3 next to the program);\n"
           "any other file is the NC program. Symbolic links are followed.\n";
}

}  // namespace morvex
