// Reading the settings file.
//
// Implementation notes: keywords are compared as case-blind prefixes over the
// keyword's own length, so "Yes please" counts as "YES". Keys are read in the
// order of the file's sections because some depend on others: the arbor mode
// set by INTERFERENCE can be changed by ARBOR CHECK, the move pitch of
// "AUTO" depends on the work pitch, and the unattended overrides come last.
#include "frame/settings_reader.h"

#include <algorithm>
#include <cmath>

#include "base/paths.h"
#include "base/text.h"
#include "nc/definition_reader.h"

namespace morvex {
namespace {

constexpr int kMaxThreads = 256;
constexpr std::size_t kShareNameBytes = 35;
constexpr std::size_t kSuffixBytes = 9;
constexpr int kMaxMagazineLimit = 100000;

constexpr ColorKeyInfo kColorKeys[kColorCount] = {
    {"WORK COLOR", "(127,127,255)"},       {"PEN1 COLOR", "(0,255,0)"},
    {"PEN2 COLOR", "(255,255,0)"},         {"PEN3 COLOR", "(192,192,192)"},
    {"PEN4 COLOR", "(191,191,0)"},         {"PEN5 COLOR", "(191,0,191)"},
    {"PEN6 COLOR", "(0,191,191)"},         {"PEN7 COLOR", "(255,0,127)"},
    {"UP-CUT COLOR", "(106,181,181)"},     {"DOWN-CUT COLOR", "(0,127,255)"},
    {"VERTICAL-CUT COLOR", "(127,0,255)"}, {"PENKI COLOR", "(255,127,0)"},
    {"WORK COLOR2", "(255,128,255)"},      {"TOOL-TOP COLOR", "(255,0,128)"},
    {"TOOL-SIDE COLOR", "(128,128,192)"},  {"ARBOR COLOR", "(0,128,0)"},
    {"ATTACHMENT COLOR", "(0,128,128)"},   {"TOP-PATH COLOR", "(255,0,0)"},
    {"CONTROL-PATH COLOR", "(255,128,0)"}, {"CUT-PATH COLOR", "(255,0,255)"},
    {"CONSTRUCTION COLOR", "(255,255,0)"}, {"PLUS COLOR", "(255,255,0)"},
    {"MINUS COLOR", "(255,0,0)"},          {"BACKGROUND", "(255,255,255)"},
};

// One section of the file, read key by key.
struct SectionReader {
    const IniFile& ini;
    const char* section;

    std::string Text(const char* key, const char* fallback) const {
        return GetIniString(ini, section, key, fallback);
    }
    bool Is(const char* key, const char* fallback, const char* word) const {
        return StartsWithNoCase(Text(key, fallback), word);
    }
    double Number(const char* key, const char* fallback) const {
        const std::string value = Text(key, fallback);
        std::size_t cursor = 0;
        double out = 0.0;
        ReadNumberDouble(cursor, value, out);
        return out;
    }
    int Integer(const char* key, const char* fallback) const {
        return TruncateToInt(Number(key, fallback));
    }
    float Float(const char* key, const char* fallback) const {
        const std::string value = Text(key, fallback);
        std::size_t cursor = 0;
        float out = 0.0f;
        ReadNumberFloat(cursor, value, out);
        return out;
    }
    Vec3 Triple(const char* key, const char* fallback) const {
        const std::string value = Text(key, fallback);
        std::size_t cursor = 0;
        Vec3 v;
        ReadNumberDouble(cursor, value, v.x);
        ReadNextDouble(cursor, value, v.y);
        ReadNextDouble(cursor, value, v.z);
        return v;
    }
    template <std::size_t N>
    std::array<double, N> List(const std::string& value) const {
        std::array<double, N> out{};
        std::size_t cursor = 0;
        ReadNumberDouble(cursor, value, out[0]);
        for (std::size_t i = 1; i < N; ++i) ReadNextDouble(cursor, value, out[i]);
        return out;
    }
    // First word (in order) that the value begins with gives its code;
    // none gives `otherwise`.
    int Choice(const char* key, const char* fallback,
               std::initializer_list<std::pair<const char*, int>> words, int otherwise) const {
        const std::string value = Text(key, fallback);
        for (const auto& [word, code] : words) {
            if (StartsWithNoCase(value, word)) return code;
        }
        return otherwise;
    }
    std::string Directory(const char* key, const std::string& fallback) const {
        return NormaliseSeparators(Text(key, fallback.c_str()));
    }
};

ColorRef ParseColor(const std::string& value) {
    if (StartsWithNoCase(value, "BLACK")) return MakeColor(0, 0, 0);
    if (StartsWithNoCase(value, "WHITE")) return MakeColor(255, 255, 255);
    std::size_t cursor = 0;
    double r = 0.0, g = 0.0, b = 0.0;
    ReadNumberDouble(cursor, value, r);
    ReadNextDouble(cursor, value, g);
    ReadNextDouble(cursor, value, b);
    return MakeColor(TruncateToInt(r), TruncateToInt(g), TruncateToInt(b));
}

ThreadCount ParseThreads(const std::string& value, int processors) {
    int n = 0;
    if (StartsWithNoCase(value, "NO") || StartsWithNoCase(value, "OFF")) {
        n = 0;
    } else if (StartsWithNoCase(value, "ON") || StartsWithNoCase(value, "YES")) {
        n = std::max(processors, 1);
    } else {
        std::size_t cursor = 0;
        double number = 0.0;
        ReadNumberDouble(cursor, value, number);
        n = TruncateToInt(number);
    }
    n = std::clamp(n, 0, kMaxThreads);
    return ThreadCount{n, n - 1};
}

// A number after "AUTO", as the program reads it: blanks skipped, digits taken.
double NumberAfterAuto(const std::string& value) {
    const std::string rest = value.substr(std::min<std::size_t>(4, value.size()));
    const std::string_view trimmed = TrimBlanks(rest);
    if (trimmed.empty() || trimmed.find_first_of("0123456789.-") != 0) return 0.0;
    std::size_t cursor = 0;
    double number = 0.0;
    ReadNumberDouble(cursor, trimmed, number);
    return number;
}

void ReadTable(const IniFile& ini, const LaunchOptions& options, const SettingsContext& ctx,
               TableSettings& t) {
    const SectionReader s{ini, "Table"};
    t.ttlDir = s.Directory("Target_TTLdir", ctx.startDir);
    t.ctlDir = s.Directory("Target_CTLdir", ctx.startDir);
    t.mtlDir = s.Directory("Target_MTLdir", ctx.startDir);
    auto resolve = [&](const std::string& fromCommandLine, const char* key, const char* fallback,
                       const std::string& dir) {
        if (!fromCommandLine.empty()) return fromCommandLine;
        return ResolveDefinitionFile(dir, s.Text(key, fallback), ctx.programDir);
    };
    t.toolTable = resolve(options.toolTable, "TOOL_TABLE", "atc.ttl", t.ttlDir);
    t.controllerTable = resolve(options.controllerTable, "CONTROLLER_TABLE", "vadez.ctl", t.ctlDir);
    t.machineTable = resolve(options.machineTable, "MACHINE_TABLE", "zuvid.mtl", t.mtlDir);
}

void ReadDmf(const IniFile& ini, const LaunchOptions& options, const SettingsContext& ctx,
             DmfSettings& d) {
    const SectionReader s{ini, "DMFdata"};
    d.dmfDir = s.Directory("Target_DMFdir", ctx.startDir);
    d.saveLevel = s.Choice("SAVE_LEVEL", "1", {{"2", 2}, {"3", 3}}, 1);
    d.dataLevel = s.Choice("DATA_LEVEL", "1", {{"2", 2}, {"3", 3}, {"4", 4}}, 1);
    d.stlFilter = s.Is("STL FILTER", "OFF", "ON");
    d.bottomFilter = s.Is("BOTTOM FILTER", "OFF", "ON");
    d.stlCheck = s.Is("STL CHECK", "OFF", "ON");
    d.valueTypeInt = s.Is("VALUE TYPE", "REAL", "INT");
    const auto size = s.List<6>(s.Text("INITIAL SIZE", "(0,0,0,100,100,30)"));
    d.initialMin = Vec3{size[0], size[1], size[2]};
    d.initialMax = Vec3{size[3], size[4], size[5]};
    std::string basic = options.basicModel;
    if (basic.empty()) basic = s.Text("BASIC MODEL", "");
    if (basic.empty()) basic = s.Text("BASIC DMF", "");
    d.basicModelOn = !basic.empty();
    d.basicModel = basic.empty() || !options.basicModel.empty()
                       ? basic
                       : ResolveDefinitionFile(d.dmfDir, basic, ctx.programDir);
    d.shareMode = s.Is("SHARE MODE", "NO", "YES");
    d.shareName = TruncateBytes(s.Text("SHARE NAME", "MORVEXDMF"), kShareNameBytes);
    d.syncDisplay = d.shareMode ? s.Integer("SYNC DISPLAY", "0") : 0;
}

void ReadOutput(const IniFile& ini, OutputSettings& o) {
    const SectionReader s{ini, "OUTPUTdata"};
    o.logDir = s.Directory("Target_LOGdir", "");
    o.lengthDir = s.Directory("Target_LENGTHdir", "");
    o.verifyDir = s.Directory("Target_VERIFYdir", "");
    o.verifySuffix = TruncateBytes(s.Text("VERIFY SUFFIX", "txt"), kSuffixBytes);
    o.lengthAppend = s.Is("CREATE MODE(LENGTH)", "NEW", "APPEND");
    o.verifyAppend = s.Is("CREATE MODE(VERIFY)", "NEW", "APPEND");
    o.lengthNamingMode = s.Choice("NAMING MODE(LENGTH)", "NO", {{"FIXED", 1}, {"AUTO", 2}}, 0);
    o.verifyNamingMode = s.Choice("NAMING MODE(VERIFY)", "FIXED", {{"AUTO", 2}}, o.verifyNamingMode);
}

void ReadOptimize(const IniFile& ini, OptimizeSettings& o) {
    const SectionReader s{ini, "Optimize"};
    o.torqueValue = s.Is("V-VALUE", "VOLUME", "TORQUE");
    o.optCut = s.Choice("OPT-CUT", "OPTIMIZE", {{"NO", 0}, {"ESCAPE", 2}}, 1);
    o.optAircut =
        s.Choice("OPT-AIRCUT", "ESCAPE", {{"NO", 0}, {"ESCAPE", 1}, {"MAXOPTF", 2}}, 3);
    o.cutData = s.Choice("CUT-DATA", "NO",
                         {{"NO", 0}, {"YES", 1}, {"BINARY-OPEN", 4}, {"BINARY", 3}}, 2);
    o.cutDataNameMode = s.Choice("CUT-DATA NAME MODE", "FIXED", {{"AUTO", 1}}, 0);
    o.cutDataSuffixTxt = s.Text("CUT-DATA SUFFIX(TXT)", "TXT");
    o.cutDataSuffixBin = s.Text("CUT-DATA SUFFIX(BIN)", "BIN");
    o.optNc = s.Choice("OPT-NC", "OPEN", {{"NO", 0}, {"YES", 1}}, o.optNc);
    o.optNcNameMode = s.Choice("OPT-NC NAME MODE", "FIXED", {{"AUTO", 1}}, 0);
    o.optNcSuffix = s.Text("OPT-NC SUFFIX", "ONC");
    o.vApproach = s.Number("V-APPROACH", "0.1");
    o.escapeWidth = s.Number("ESCAPE-WIDTH", "0.0");
    o.escapeHeight = s.Number("ESCAPE-HEIGHT", "3.0");
    o.optNcDir = s.Directory("Target_OPT-NCdir", "");
    o.cutDataDir = s.Directory("Target_CUT-DATAdir", "");
}

void DeriveLightAngles(DisplaySettings& d) {
    Vec3 v = d.lightVector;
    const double len = Length(v);
    // A zero or unusable vector would leave no light at all: light from above.
    if (!(len > 0.0) || !std::isfinite(len)) v = Vec3{0.0, 0.0, 1.0};
    else v = v * (1.0 / len);
    d.lightVector = v;
    const double h = std::sqrt(v.x * v.x + v.y * v.y);
    constexpr double kDeg = 180.0 / 3.14159265358979323846;
    if (h == 0.0) {
        d.lightAzimuth = 0.0;
        d.lightTilt = 0.0;
        return;
    }
    d.lightAzimuth = std::acos(std::clamp(v.x / h, -1.0, 1.0)) * kDeg;
    if (v.y < 0.0) d.lightAzimuth = 360.0 - d.lightAzimuth;
    d.lightTilt = std::asin(std::clamp(h, -1.0, 1.0)) * kDeg;
}

void ReadDisplay(const IniFile& ini, DisplaySettings& d) {
    const SectionReader s{ini, "Define"};
    d.lightVector = s.Triple("LIGHT VECTOR", "(0.0,0.0,1.0)");
    DeriveLightAngles(d);
    d.optimizeDrawing = s.Is("OPTIMIZE DRAWING", "YES", "YES");
    d.optimizeDots = s.Integer("OPTIMIZE DOTS", "3");
    d.meshMode = s.Is("MESH MODE", "NO", "YES");
    d.displayGuidance = s.Choice("DISPLAY GUIDANCE", "DETAIL", {{"NO", 0}, {"YES", 1}}, 2);
    const std::string area = s.Text("TARGET AREA", "NO");
    d.targetAreaOn = !StartsWithNoCase(area, "NO");
    d.targetArea = d.targetAreaOn ? s.List<6>(area) : std::array<double, 6>{};
    d.colorByDirection = !s.Is("COLOR MODE", "TOOL-PEN", "TOOL-PEN");
    d.toolTopPenColor = s.Is("TOOL-TOP COLOR MODE", "SPECIFIED", "PEN");
    d.perspective = !s.Is("PERSPECTIVE", "ON", "OFF");
    d.angleA = s.Number("ANGLE-A", "315.0");
    d.angleB = s.Number("ANGLE-B", "45.0");
    d.expandRate = s.Number("EXPAND RATE", "5.0");
    d.pathStart = s.Is("PATH(START)", "NO", "YES");
    d.pathResult = s.Is("PATH(RESULT)", "YES", "YES");
    d.toolDisplay = !s.Is("TOOL DISPLAY", "ON", "OFF");
    d.constructionPoint = s.Is("CONSTRUCTION POINT", "OFF", "ON");
    d.boundaryBox = !s.Is("BOUNDARY BOX", "ON", "OFF");
    d.basicAxis = s.Choice("BASIC AXIS", "YES", {{"NO", 0}, {"OFF", 0}}, 1) != 0;
    d.progressBar = s.Choice("PROGRESS BAR", "YES", {{"NO", 0}, {"OFF", 0}}, 1) != 0;
    d.progressName = s.Text("PROGRESS NAME", "");
    d.updateMode = s.Choice("UPDATE", "NO", {{"YES", 1}, {"FULL", 2}}, 0);
}

void ReadColors(const IniFile& ini, ColorSettings& c) {
    const SectionReader s{ini, "Define"};
    for (std::size_t i = 0; i < kColorCount; ++i) {
        c.value[i] = ParseColor(s.Text(kColorKeys[i].key, kColorKeys[i].fallback));
    }
}

void ReadPitches(const SectionReader& s, const LaunchOptions& options, WorkSettings& w) {
    w.minimumPitch = s.Number("MINIMUM PITCH(WORK)", "0.001");
    w.workPitch = options.workPitch;
    if (w.workPitch == 0.0) {
        const std::string value = s.Text("PITCH(WORK)", "1.0");
        if (StartsWithNoCase(value, "AUTO")) {
            w.workPitch = 1.0;
            w.autoPitch = true;
            const int cells = TruncateToInt(NumberAfterAuto(value));
            w.autoPitchCells = cells > 0 ? cells : 20000;
        } else {
            std::size_t cursor = 0;
            ReadNumberDouble(cursor, value, w.workPitch);
            // A pitch of zero or less cannot build a grid: keep the default.
            if (!(w.workPitch > 0.0)) w.workPitch = 1.0;
        }
    }
    w.movePitch = options.movePitch;
    if (w.movePitch == 0.0) {
        const std::string value = s.Text("PITCH(MOVE)", "1.0");
        if (StartsWithNoCase(value, "AUTO")) {
            const double factor = NumberAfterAuto(value);
            w.autoMovePitch = true;
            w.movePitchFactor = factor > 0.0 ? factor : 1.0;
            w.movePitch = w.movePitchFactor * w.workPitch;
        } else {
            std::size_t cursor = 0;
            ReadNumberDouble(cursor, value, w.movePitch);
            if (!(w.movePitch > 0.0)) w.movePitch = 1.0;
        }
    }
}

void ReadWork(const IniFile& ini, const LaunchOptions& options, const SettingsContext& ctx,
              WorkSettings& w) {
    const SectionReader s{ini, "Define"};
    w.workMargin = Vec3{s.Number("WORK MARGIN(X)", "0.0"), s.Number("WORK MARGIN(Y)", "0.0"),
                        s.Number("WORK MARGIN(Z)", "0.0")};
    w.controlPoint = options.controlPoint ? *options.controlPoint
                                          : s.Triple("CONTROL POINT", "(0.0,0.0,0.0)");
    const std::initializer_list<std::pair<const char*, int>> placement = {
        {"BOX-TOP", 0}, {"CURRENT", 1}, {"SPECIFY", 2}};
    w.newControlPointStart = s.Choice("NEW CONTROL POINTD", "BOX-TOP", placement, 0);
    w.newControlPoint = s.Choice("NEW CONTROL POINT", "BOX-TOP", placement, 0);
    w.specifiedPointStart = s.Triple("SPECIFIED POINTD", "(0.0,0.0,100.0)");
    w.specifiedPoint = s.Triple("SPECIFIED POINT", "(0.0,0.0,100.0)");
    w.toolBasePoint = s.Choice("TOOL BASE POINT", "BOTTOM",
                               {{"BALL-CENTER", 1}, {"F-CENTER", 2}, {"LENGTH-TOP", 3},
                                {"ARBOR-TOP", 4}},
                               0);
    ReadPitches(s, options, w);
    w.weldingHeight = s.Float("WELDING(HEIGHT)", "0.5");
    w.weldingWidth = s.Float("WELDING(WIDTH)", "5.0");
    w.weldingPen = s.Integer("WELDING(PEN)", "0");
    w.grinderDepth = s.Float("GRINDER(DEPTH)", "1.0");
    w.grinderWidth = s.Float("GRINDER(WIDTH)", "3.0");
    w.grinderPen = s.Integer("GRINDER(PEN)", "0");
    w.paperDepth = s.Float("PAPER(DEPTH)", "0.1");
    w.paperWidth = s.Float("PAPER(WIDTH)", "1.0");
    w.paperPen = s.Integer("PAPER(PEN)", "0");
    w.brushWidth = s.Float("BRUSH(WIDTH)", "1.0");
    w.heraWidth = s.Float("HERA(WIDTH)", "1.0");

    const std::string interference = s.Text("INTERFERENCE", "YES");
    struct Modes {
        const char* word;
        int rapid;
        int arbor;
    };
    static constexpr Modes kInterference[] = {
        {"NO", 0, 1}, {"TOOL", 1, 1}, {"ARBOR", 0, 3}, {"STOP", 2, 3}};
    w.rapidInterferenceMode = 1;
    w.arborMode = 3;
    for (const Modes& m : kInterference) {
        if (StartsWithNoCase(interference, m.word)) {
            w.rapidInterferenceMode = m.rapid;
            w.arborMode = m.arbor;
            break;
        }
    }
    w.arborMode = s.Choice("ARBOR CHECK", "YES", {{"NO", 0}, {"OUTPUT", 1}, {"CUT", 2}, {"STOP", 4}},
                           w.arborMode);
    w.lengthMode = s.Choice("HEIGHT CHECK", "NO", {{"NO", 0}, {"OUTPUT", 1}, {"STOP", 3}},
                            w.lengthMode);
    w.chipMode = s.Choice("CHIP-W CHECK", "NO", {{"NO", 0}, {"OUTPUT", 1}, {"STOP", 3}}, 2);
    const std::string rapid = s.Text("RAPID FEEDRATE", "999999999.0");
    if (StartsWithNoCase(rapid, "NO")) {
        w.rapidFeedrate = 999999999.0;
    } else {
        std::size_t cursor = 0;
        ReadNumberDouble(cursor, rapid, w.rapidFeedrate);
    }
    auto clearance = [&](const char* key, int& mode, double& value) {
        const std::string text = s.Text(key, "NO");
        value = 0.0;
        if (StartsWithNoCase(text, "NO")) {
            mode = 0;
        } else if (StartsWithNoCase(text, "YES")) {
            mode = 1;
        } else {
            mode = 2;
            std::size_t cursor = 0;
            ReadNumberDouble(cursor, text, value);
        }
    };
    clearance("TOOL CLEARANCE", w.toolClearanceMode, w.toolClearance);
    clearance("ARBOR CLEARANCE", w.arborClearanceMode, w.arborClearance);
    w.sound = !s.Is("SOUND", "OFF", "OFF");
    w.ignoreG00 = s.Is("IGNORE G00", "NO", "YES");
    w.differenceAlways = s.Is("DIFFERENCE MODE", "TMP", "ALWAYS");
    w.sweepThreads = ParseThreads(s.Text("threadnc", "NO"), ctx.processorCount);
    // This 64-bit build reads MULTI THREAD; a file that has only threadno
    // (written for the 32-bit program) keeps its count.
    const bool onlyThreadno =
        !HasIniKey(ini, "Define", "MULTI THREAD") && HasIniKey(ini, "Define", "threadno");
    w.offsetThreads = onlyThreadno ? ParseThreads(s.Text("threadno", "NO"), ctx.processorCount)
                                   : ParseThreads(s.Text("MULTI THREAD", "YES"), ctx.processorCount);
    w.volumeInM3 = s.Is("VOLUME UNIT", "mm3", "m3");
    w.offsetValue = options.offsetValue ? *options.offsetValue : s.Number("OFFSET VALUE", "5.0");
    w.stopKey = s.Choice("STOP KEY", "CTRL", {{"CTRL", 17}, {"SPACE", 32}, {"PAUSE", 19}}, 17);
    w.escapeKey = s.Choice("ESCAPE KEY", "ESC", {{"ESC", 27}, {"BREAK", 3}, {"PAUSE", 19}}, 27);
    w.maxMagazine = std::clamp(s.Integer("MAX MAGAZINE", "200"), 1, kMaxMagazineLimit);
    w.thinCount = s.Integer("THIN COUNT", "5");
    w.thinXEdgeAdd = s.Is("THIN X-EDGE", "ADD", "ADD");
    w.thinYEdgeAdd = s.Is("THIN Y-EDGE", "ADD", "ADD");
}

void ReadEditor(const IniFile& ini, EditorSettings& e) {
    const SectionReader s{ini, "ExecEditor"};
    constexpr const char* kNoEditor = "\"\" \"\"";
    e.program = s.Text("EXEC_PROGRAM", "notepad");
    e.option = s.Text("EXEC_OPTION", "%1");
    e.macroNo = s.Integer("EXEC_MACRO_NO", "-1");
    e.macroName = s.Text("EXEC_MACRO_NAME", "MORVEXJUMP.MAC");
    e.selectOpen = s.Is("SELECT OPEN", "NO", "YES");
    e.closeEnd = s.Is("CLOSE END", "NO", "YES");
    e.ttlEditor = s.Text("EXEC_TTL_EDITOR", kNoEditor);
    e.ctlEditor = s.Text("EXEC_CTL_EDITOR", kNoEditor);
    e.mtlEditor = s.Text("EXEC_MTL_EDITOR", kNoEditor);
    e.iniEditor = s.Text("EXEC_INI_EDITOR", kNoEditor);
    e.defEditor = s.Text("EXEC_DEF_EDITOR", kNoEditor);
    e.monEditor = s.Text("EXEC_MON_EDITOR", kNoEditor);
    e.selfOption = SectionReader{ini, "ExecSelf"}.Text("EXEC_OPTION", "/X2 VAZED!.NC");
}

void ReadSave(const IniFile& ini, const LaunchOptions& options, SaveSettings& v) {
    const char* kSection = "Save";
    v.display = GetIniInt(ini, kSection, "DISPLAY", 0);
    v.workColor = GetIniInt(ini, kSection, "WORK COLOR", 0);
    v.toolColor = GetIniInt(ini, kSection, "TOOL COLOR", 0);
    v.lineColor = GetIniInt(ini, kSection, "LINE COLOR", 0);
    v.background = GetIniInt(ini, kSection, "BACKGROUND", 0);
    if (options.geometry) {
        v.x = options.geometry->x;
        v.y = options.geometry->y;
        v.height = options.geometry->height;
        v.width = options.geometry->width;
    } else {
        v.x = GetIniInt(ini, kSection, "X", -1);
        v.y = GetIniInt(ini, kSection, "Y", -1);
        v.height = GetIniInt(ini, kSection, "HEIGHT", -1);
        v.width = GetIniInt(ini, kSection, "WIDE", -1);
    }
    v.show = GetIniInt(ini, kSection, "SHOW", 1);
    v.viewPanel = GetIniInt(ini, kSection, "VIEW_P", 0);
    v.viewToolDialog = GetIniInt(ini, kSection, "VIEW_T", 0);
}

void ReadSync(const IniFile& ini, SyncSettings& y) {
    const SectionReader s{ini, "Sync"};
    y.mode = s.Choice("SYNC MODE", "NO", {{"SYNC", 1}, {"MAPFILE", 2}}, 0);
    y.shareName = s.Text("SHARE NAME", "MORVEXSYNC");
    y.total = static_cast<std::uint8_t>(std::clamp(s.Integer("SYNC TOTAL", "0"), 0, 255));
    y.number = static_cast<std::uint8_t>(std::clamp(s.Integer("SYNC NO", "0") - 1, 0, 255));
    y.timeoutSeconds = std::clamp(s.Integer("SYNC TIMEOUT", "60"), 0, 24 * 3600);
}

}  // namespace

const ColorKeyInfo& ColorKeyOf(ColorKey key) { return kColorKeys[static_cast<std::size_t>(key)]; }

std::string LocateSettingsFile(const std::string& name, const SettingsContext& context) {
    if (HasDirSeparator(name)) return NormaliseSeparators(name);
    const std::string inStart = JoinPath(context.startDir, name);
    if (CanOpenForReading(inStart)) return inStart;
    return JoinPath(context.programDir, name);
}

std::string LocateHelpFile(const SettingsContext& context) {
    const std::string inStart = JoinPath(context.startDir, "HELP/index.htm");
    if (CanOpenForReading(inStart)) return inStart;
    return JoinPath(context.programDir, "HELP/index.htm");
}

std::string ResolveDefinitionFile(const std::string& dir, const std::string& value,
                                  const std::string& programDir) {
    if (value.empty()) return {};
    if (HasDirSeparator(value)) return NormaliseSeparators(value);
    const std::string inDir = JoinPath(dir, value);
    if (CanOpenForReading(inDir)) return inDir;
    if (CanOpenForReading(value)) return value;
    return JoinPath(programDir, value);
}

void ReadSettings(const IniFile& ini, const LaunchOptions& options, const SettingsContext& context,
                  Settings& settings) {
    settings = Settings{};
    ReadTable(ini, options, context, settings.table);
    ReadDmf(ini, options, context, settings.dmf);
    const SectionReader nc{ini, "NCdata"};
    settings.nc.ncDir = nc.Directory("Target_NCdir", context.startDir);
    settings.nc.ncFilePattern = nc.Text("Target_NCfile", "*.NC");
    ReadOutput(ini, settings.output);
    ReadOptimize(ini, settings.optimize);
    ReadDisplay(ini, settings.display);
    ReadColors(ini, settings.colors);
    ReadWork(ini, options, context, settings.work);
    ReadEditor(ini, settings.editor);
    const SectionReader mouse{ini, "Mouse"};
    settings.mouse.moveWhileRightButtonDown =
        !mouse.Is("MOVE SWITCH", "RBUTTONCLICK", "RBUTTONCLICK");
    settings.mouse.wheelReverse = mouse.Is("WHEEL ZOOM", "NO", "REVERSE");
    ReadSave(ini, options, settings.save);
    ReadSync(ini, settings.sync);
    if (options.minimised) {
        settings.save.viewToolDialog = 0;
        settings.display.toolDisplay = false;
        // A picture of the run (--image) shows the path when the settings ask for it.
        if (options.imageFile.empty()) settings.display.pathResult = false;
        settings.display.progressBar = true;
    }
}

}  // namespace morvex
