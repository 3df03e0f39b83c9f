// Setting commands and command availability.
#include "frame/command_dispatch.h"

#include <algorithm>
#include <iterator>

#include "frame/plugin_menu.h"
#include "resources/command_ids.h"

namespace morvex {
namespace {

using namespace cmd;

bool In(std::initializer_list<int> ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// Commands whose operation exists in this program.
constexpr int kBuilt[] = {
    kSelectNc, kSelectNcDefineWork, cmd::kCheckData, cmd::kCheckMinMax, kReport, kExit, kLoadWork, kSaveWork, kPrint, kSaveImage,
    kRunReal, kRunSkip, kRunResult, kRunFastSkip, kRunFastResult, kToolTipPath, kCommandPointPath,
    kRapidCheckNo, kRapidCheckAbort, kRapidCheckPause,
    kArborIgnore, kArborRequired, kArborCut, kArborAbort, kArborPause,
    kLengthNo, kLengthRequired, kLengthAbort, kLengthPause, kChipNo, kChipRequired, kChipAbort, kChipPause,
    kChooseToolTable, kChooseController, kChooseMachine,
    kViewPanel, kToolDialog, kToolDisplay, kBasicAxis, kProgressBar, kBoundaryBox, kPathStart, kPathResult, kConstructionPoint,
    kColorByPen, kColorByDirection, kMeshMode, kOptimizeDrawing, kSound,
    kSaveLevelBase + 1, kSaveLevelBase + 2, kSaveLevelBase + 3,
    kDataLevelFirst, kDataLevelFirst + 1, kDataLevelFirst + 2, kDataLevelFirst + 3, kHelp,
    kColors, kTargetArea, kExpandRate, kResizeBehaviour, kToolParameters, kOptionalBlockSkip, kStartupState, kRadiusOffsets, kLengthOffsets, kWorkCoordinates, kPitch, kDefineWorkTwoPoints, kControlPoint, kRemovalVolume, kPaintAll, kStripPaint, kStripPen, kVersion,
    kLoadWorkFlip, kLoadWorkTilt, kMergeWork, kRotateMirrorWork, kMoveWork, kOffsetWork, kCutWorkXyz, kThinWork, kBasicModel,
    kDifferencePaint, kDifferenceTemporary, kDifferenceAlways, kWriteNcData, kRunOptimizedNc,
    kHighlightPen, kEditor,
};

// The commands that need an NC program read, and those that need a work.
bool NeedsNc(int id) {
    if (SimCommandIndex(id) >= 0) return true;
    return In({kReport, cmd::kCheckData, cmd::kCheckMinMax, kEditor, kRunReal, kRunSkip, kRunResult, kToolTipPath, kCommandPointPath, kRunFastSkip,
               kRunFastResult, kRunOptimizedNc},
              id);
}
bool NeedsWork(int id) {
    if (ModCommandIndex(id) >= 0) return true;
    return In({kSaveWork, kLoadWorkTilt, kMergeWork, kRotateMirrorWork, kMoveWork, kOffsetWork, kCutWorkXyz, kThinWork, kPaintAll,
               kStripPaint, kStripPen, kHighlightPen, kRemovalVolume, kBasicModel, kDifferencePaint, kPrint,
               kSaveImage},
              id);
}

bool LockedIn(const MenuPopup& popup, int id, std::initializer_list<std::pair<int, int>> ranges) {
    for (const auto& [first, last] : ranges) {
        for (int i = first; i <= last && i < static_cast<int>(popup.items.size()); ++i) {
            if (popup.items[static_cast<std::size_t>(i)].id == id) return true;
        }
    }
    return false;
}

}  // namespace

SettingChange ApplySettingCommand(Settings& st, DeskState& desk, int id) {
    DisplaySettings& d = st.display;
    WorkSettings& w = st.work;
    SettingChange c;
    c.applied = true;
    auto flip = [&](bool& flag) { flag = !flag; };
    switch (id) {
    case kSound:
        flip(w.sound);
        c.loadSounds = w.sound;
        return c;
    case kPathStart: flip(d.pathStart); return c;
    case kPathResult: flip(d.pathResult); return c;
    case kConstructionPoint: flip(d.constructionPoint); c.redraw = true; return c;
    case kBoundaryBox: flip(d.boundaryBox); c.redraw = true; return c;
    case kBasicAxis: flip(d.basicAxis); c.redraw = true; return c;
    case kToolDisplay: flip(d.toolDisplay); c.redraw = true; return c;
    case kProgressBar: flip(d.progressBar); return c;
    case kViewPanel: st.save.viewPanel = st.save.viewPanel != 0 ? 0 : 1; return c;
    case kToolDialog: st.save.viewToolDialog = st.save.viewToolDialog != 0 ? 0 : 1; return c;
    case kMeshMode: flip(d.meshMode); c.redraw = true; return c;
    case kOptimizeDrawing: flip(d.optimizeDrawing); c.redraw = c.title = true; return c;
    case kColorByPen:
    case kColorByDirection:
        d.colorByDirection = id == kColorByDirection;
        c.redraw = c.title = true;
        return c;
    case kRapidCheckNo: w.rapidInterferenceMode = 0; return c;
    case kRapidCheckAbort: w.rapidInterferenceMode = 1; return c;
    case kRapidCheckPause: w.rapidInterferenceMode = 2; return c;
    case kArborIgnore: w.arborMode = 0; return c;
    case kArborRequired: w.arborMode = 1; return c;
    case kArborCut: w.arborMode = 2; return c;
    case kArborAbort: w.arborMode = 3; return c;
    case kArborPause: w.arborMode = 4; return c;
    case kLengthNo: w.lengthMode = 0; return c;
    case kLengthRequired: w.lengthMode = 1; return c;
    case kLengthAbort: w.lengthMode = 2; return c;
    case kLengthPause: w.lengthMode = 3; return c;
    case kChipNo: w.chipMode = 0; return c;
    case kChipRequired: w.chipMode = 1; return c;
    case kChipAbort: w.chipMode = 2; return c;
    case kChipPause: w.chipMode = 3; return c;
    case kDifferenceTemporary: w.differenceAlways = false; return c;
    case kDifferenceAlways: w.differenceAlways = true; return c;
    default: break;
    }
    if (id >= kStopModeFirst && id <= kStopModeFirst + 4) {
        desk.stopMode = id - kStopModeFirst;
        return c;
    }
    if (id >= kSaveLevelBase + 1 && id <= kSaveLevelBase + 3) {
        st.dmf.saveLevel = id - kSaveLevelBase;
        return c;
    }
    if (id >= kDataLevelFirst && id <= kDataLevelFirst + 3) {
        // Takes effect when the work is next defined or loaded.
        st.dmf.dataLevel = id - kDataLevelFirst + 1;
        return c;
    }
    return SettingChange{};
}

int ColourModeSwitch(const Settings& st) { return st.display.colorByDirection ? kColorByPen : kColorByDirection; }

bool IsCommandBuilt(int id) {
    if (id >= kStopModeFirst && id <= kStopModeFirst + 4) return true;
    if (SimCommandIndex(id) >= 0 || ModCommandIndex(id) >= 0 || id == cmd::kNcComToggle) return true;
    return std::find(std::begin(kBuilt), std::end(kBuilt), id) != std::end(kBuilt);
}

bool CanChooseCommand(int id, const Settings& st, const DeskState& desk) {
    if (!IsCommandBuilt(id)) return false;
    if (NeedsNc(id) && !desk.ncLoaded) return false;
    if (NeedsWork(id) && !desk.workExists) return false;
    if ((id == kColorByPen || id == kColorByDirection) && st.display.meshMode) return false;
    static const MenuBarDef menu = DefaultMenuBar();
    if (desk.runActive && LockedDuringRun(menu, id)) return false;
    if (desk.runActive && (id == cmd::kCheckData || id == cmd::kCheckMinMax)) return false;  // one interpreter at a time
    return true;
}

bool LockedDuringRun(const MenuBarDef& menu, int id) {
    // The plug-in items: the modifiers after the locked work items, the
    // network switch with the definition-file menu, and the simulation
    // commands, which cut the work a run holds.
    if (SimCommandIndex(id) >= 0 || ModCommandIndex(id) >= 0 || id == cmd::kNcComToggle) return true;
    if (menu.size() <= static_cast<std::size_t>(kDefinitionMenu)) return false;
    return LockedIn(menu[kNcMenu], id, {{0, 2}}) || LockedIn(menu[kWorkMenu], id, {{0, 3}, {7, 12}}) ||
           LockedIn(menu[kMachiningMenu], id, {{19, 19}}) || LockedIn(menu[kDefinitionMenu], id, {{0, 1000}});
}

}  // namespace morvex
