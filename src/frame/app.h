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
#include "integration/editor_control.h"
#include "integration/plugins.h"
#include "integration/sync_link.h"
#include "nc/controller_def.h"
#include "results/machine_def.h"
#include "sim/stroke_record.h"
#include "sim/tool_def.h"
#include "sim/work_model.h"
#include "workio/rotary_load.h"
#include "workops/difference.h"
#include "workops/work_ops.h"
#include "resources/menu_table.h"

namespace morvex {

struct Locations {
    std::string startDir;      // current directory at start, trailing "/"
    std::string programDir;    // the executable's directory, trailing "/"
    std::string settingsFile;  // the settings file read (and written back)
    std::string helpFile;
    std::string messageFile;  // "morvex.mes" when found; its presence means English
};

// The values of the work-operation dialogs, kept while the program runs.
struct OperationValues {
    int turn = 0;  // 0..4: 90, 180, -90, X-Mirror, Y-Mirror
    int moveMode = 0;  // 0 Shift, 1 Position
    double move[3] = {0.0, 0.0, 0.0};
    int offsetDirection = 0;  // 0 Normal, 1 Z-Axis, 2 Horizon
    double offsetValue = 1.0;
    bool onlyPaint = false;
    bool obscure = false;  // "Obscure on Boundary", kept with the others
    XyzCut cut;
    int thinCount = 2;
    bool thinXEnd = false, thinYEnd = false;
    bool mergeHigher = true;
    ReverseSetting reverse;
    DifferenceSettings difference;
    SwingSetting swing;
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
    OperationValues operations;
    SoundTable sounds;
    StrokeRecord strokes;  // hand-tool strokes and measured points
    MessagePump pump;
    MenuBarDef menu;
    PanelCaptions panelCaptions;
    int wheelSupport = 2;  // the window system reports wheel events
    ProcessorAffinity affinityBefore;  // of the main thread before /G
    EditorLink editor;  // the external editor showing the NC program
    SyncLink sync;  // the sync mapping of SYNC MODE, open from start-up to exit
    PluginSet plugins;  // the plug-in modules, loaded first at start-up, unloaded last at exit
};

}  // namespace morvex
