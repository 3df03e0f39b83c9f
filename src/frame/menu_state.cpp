// Menu check marks and enabled states.
#include "frame/menu_state.h"

#include <algorithm>
#include <iterator>

#include "resources/command_ids.h"

namespace morvex {

namespace {

constexpr int kToggleCommands[] = {
    cmd::kSound,       cmd::kPathStart,   cmd::kPathResult, cmd::kConstructionPoint,
    cmd::kBoundaryBox, cmd::kBasicAxis,   cmd::kViewPanel,  cmd::kToolDisplay,
    cmd::kToolDialog,  cmd::kProgressBar, cmd::kMeshMode,   cmd::kOptimizeDrawing,
};

}  // namespace

bool IsToggleCommand(int id) {
    return std::find(std::begin(kToggleCommands), std::end(kToggleCommands), id) !=
           std::end(kToggleCommands);
}

std::vector<int> CheckedCommands(const Settings& settings, int stopMode) {
    using namespace cmd;
    const DisplaySettings& d = settings.display;
    const WorkSettings& w = settings.work;
    std::vector<int> on;
    const std::pair<int, bool> toggles[] = {
        {kSound, w.sound},
        {kPathStart, d.pathStart},
        {kPathResult, d.pathResult},
        {kConstructionPoint, d.constructionPoint},
        {kBoundaryBox, d.boundaryBox},
        {kBasicAxis, d.basicAxis},
        {kViewPanel, settings.save.viewPanel != 0},
        {kToolDisplay, d.toolDisplay},
        {kToolDialog, settings.save.viewToolDialog != 0},
        {kProgressBar, d.progressBar},
        {kMeshMode, d.meshMode},
        {kOptimizeDrawing, d.optimizeDrawing},
    };
    for (const auto& [id, flag] : toggles) {
        if (flag) on.push_back(id);
    }
    auto pick = [&](std::initializer_list<int> group, int index) {
        if (index >= 0 && index < static_cast<int>(group.size())) on.push_back(group.begin()[index]);
    };
    on.push_back(kStopModeFirst + std::clamp(stopMode, 0, 4));
    pick({kRapidCheckNo, kRapidCheckAbort, kRapidCheckPause}, w.rapidInterferenceMode);
    pick({kArborIgnore, kArborRequired, kArborCut, kArborAbort, kArborPause}, w.arborMode);
    pick({kLengthNo, kLengthRequired, kLengthAbort, kLengthPause}, w.lengthMode);
    pick({kChipNo, kChipRequired, kChipAbort, kChipPause}, w.chipMode);
    on.push_back(d.colorByDirection ? kColorByDirection : kColorByPen);
    on.push_back(kSaveLevelBase + std::clamp(settings.dmf.saveLevel, 1, 3));
    on.push_back(w.differenceAlways ? kDifferenceAlways : kDifferenceTemporary);
    on.push_back(kDataLevelFirst + std::clamp(settings.dmf.dataLevel, 1, 4) - 1);
    return on;
}


}  // namespace morvex
