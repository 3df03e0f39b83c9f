// What the load and save modules add to the program's file handling: their
// endings for the command line, their kinds in the open and save dialogs,
// the /O formats 7-9, and their lines in --help.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "frame/launch_options.h"
#include "frame/save_names.h"
#include "integration/plugins.h"

namespace morvex {

// The endings of the load and of the save modules, in slot order.
std::vector<std::string> LoaderEndings(const PluginSet& plugins);
std::vector<std::string> SaverEndings(const PluginSet& plugins);
CommandLineContext CommandLineContextOf(const PluginSet& plugins);

// After the modules' consent (a declining save module closes up the slots
// behind it): an /O format 7-9 is taken again from the output name's
// ending, None when no save module has it any more.
void SettleModuleOutputFormat(LaunchOptions& launch, const PluginSet& plugins);

// A save dialog's choice of a save module comes back as the path followed
// by ",7", ",8" or ",9": that tail is removed and its format returned when
// the module is there; otherwise None and the path unchanged.
OutputFormat SaverFormatOfTail(const PluginSet& plugins, std::string& path);

// The save dialog's forms: the built-in six, then one per save module
// ("<kind>(*.xyz *.XYZ)"). The texts the forms point at live in `texts`.
struct WorkSaveFormList {
    std::deque<std::string> texts;
    std::vector<SaveForm> forms;
};
WorkSaveFormList WorkSaveFormsWith(const PluginSet& plugins);

// The open dialog's filter for work files: DMF, STL, then each load
// module's kind ("<kind> (*.grd *.GRD)"), separated by ";;".
std::string WorkOpenFilter(const PluginSet& plugins);

// Lines for --help naming the load and save modules found (nothing when
// there are none).
std::string PluginHelp(const PluginSet& plugins);

}  // namespace morvex
