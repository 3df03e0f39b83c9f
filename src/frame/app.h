// The App record: the one instance of every process-wide record, created in
// main and handed by reference to the functions that need them.
#pragma once

#include <string>

#include "frame/definition_files.h"
#include "frame/launch_options.h"
#include "frame/message_file.h"
#include "frame/message_pump.h"
#include "frame/settings.h"
#include "frame/sounds.h"
#include "frame/system_info.h"
#include "nc/controller_def.h"
#include "results/machine_def.h"
#include "sim/tool_def.h"
#include "sim/work_model.h"
#include "resources/menu_table.h"

namespace morvex {

struct Locations {
    std::string startDir;      // current directory at start, trailing "/"
    std::string programDir;    // the executable's directory, trailing "/"
    std::string settingsFile;  // the settings file read (and written back)
    std::string helpFile;
    std::string messageFile;  // "morvex.mes" when found; its presence means English
};

struct App {
    SystemInfo system;
    Locations locations;
    LaunchOptions launch;
    Settings settings;
    DefinitionFiles definitions;
    ControllerDef controller;
    MachineDef machine;
    ToolTable tools;
    WorkModel work;
    BoxRequest workBox;  // the last "Define Work" request
    SoundTable sounds;
    MessagePump pump;
    MenuBarDef menu;
    PanelCaptions panelCaptions;
    int wheelSupport = 2;  // the window system reports wheel events
    ProcessorAffinity affinityBefore;  // of the main thread before /G
};

}  // namespace morvex
