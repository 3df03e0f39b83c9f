// Start-up and shutdown order.
//
// Steps whose subsystems are not part of the program yet are kept in place
// as empty functions, so that the order stays visible and each subsystem
// fills its own step.
#include "frame/startup.h"

#include <cstdio>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "frame/auto_run.h"
#include "frame/nc_lookup.h"
#include "frame/plugin_work_forms.h"
#include "frame/settings_reader.h"
#include "frame/sync_run.h"
#include "integration/editor_module.h"
#include "integration/nccom_tools.h"
#include "nc/controller_reader.h"
#include "platform/host.h"
#include "results/machine_def.h"
#include "sim/tool_table.h"

namespace morvex {
namespace {

// Plug-in modules come from the program's own folder only: when it is not
// known, none are loaded (never from the start folder).
void LoadPluginModules(App& app, const std::string& programDir) {
    if (!programDir.empty()) LoadPlugins(app.plugins, programDir);
}

// Their consent and texts, once the menu language is known; what they
// handed back that could not be used is logged.
void InitPluginModules(App& app) {
    InitPlugins(app.plugins, IsEnglish() ? 1 : 0);
    for (const std::string& note : app.plugins.notes) std::fprintf(stderr, "morvex: plug-in %s\n", note.c_str());
    app.plugins.notes.clear();
}

// Per-tool tables and the hand-tool stroke record: sized by the tool table
// and hand-tool subsystems when they exist.
void AllocateTables(App&) {}
void FreeTables(App&) {}

// CLOSE END: the external editor showing the NC program goes with the window.
void CloseEditorIfAsked(App& app, Host& host) {
    if (app.settings.editor.closeEnd) CloseEditor(app.editor, host);
}

}  // namespace

StartResult PrepareStartUp(App& app, const std::vector<std::string>& args,
                           const std::string& startDir, const std::string& programDir) {
    StartResult result;
    app.system = QuerySystemInfo();
    app.locations.startDir = WithTrailingSlash(startDir);
    app.locations.programDir = programDir.empty() ? app.locations.startDir
                                                  : WithTrailingSlash(programDir);
    app.locations.messageFile =
        FindMessageFile(app.locations.startDir, app.locations.programDir);
    SetEnglish(!app.locations.messageFile.empty());

    LoadPluginModules(app, programDir);
    app.wheelSupport = 2;

    std::string error;
    if (ParseCommandLine(args, CommandLineContextOf(app.plugins), app.launch, error) != CommandLineStatus::Ok) {
        result.exit = true;
        result.exitCode = 2;
        result.error = error + "\n(morvex --help lists the options)\n";
        return result;
    }
    if (app.launch.showHelp) {
        result.exit = true;
        result.output = CommandLineHelp() + PluginHelp(app.plugins);
    } else if (app.launch.showVersion) {
        result.exit = true;
        result.output = Format("%s (morvex) %s\n", std::string(kProgramTitle).c_str(), kProgramVersion);
    }
    return result;
}

void ContinueStartUp(App& app, Host& host) {
    app.system.processorCount = QuerySystemInfo().processorCount;
    SetMainThreadProcessor(app.launch.processor, app.system.processorCount, app.affinityBefore);

    SettingsContext context{app.locations.startDir, app.locations.programDir,
                            app.system.processorCount};
    app.locations.settingsFile = LocateSettingsFile(app.launch.settingsFile, context);
    // A relative name stays tied to the start directory, whatever the current
    // directory is when the file is written back.
    if (!app.locations.settingsFile.empty() && app.locations.settingsFile[0] != '/') {
        app.locations.settingsFile = JoinPath(app.locations.startDir, app.locations.settingsFile);
    }
    app.locations.helpFile = LocateHelpFile(context);
    ReadSettings(LoadIni(app.locations.settingsFile), app.launch, context, app.settings);
    // Messages of the start-up below go to the log the settings name.
    host.UseBatchLog(app.settings.output.logDir, FileTitle(app.launch.ncProgram));
    // An editor module names the editor it drives.
    if (HasEditorPlugin(app.plugins)) {
        TakeEditorModuleTexts(app.plugins.editor.entry, app.settings.editor.program, app.settings.editor.option,
                              app.plugins.notes);
    }
    // With no settings file anywhere, the one written back at exit goes to the
    // start directory, which is looked at first (the program's own directory
    // is often not writable).
    if (!IsExistingPath(app.locations.settingsFile) && !HasDirSeparator(app.launch.settingsFile)) {
        app.locations.settingsFile = JoinPath(app.locations.startDir, app.launch.settingsFile);
    }
    // The NC program is looked for once the NC folder of the settings is known.
    // Unattended runs and the printing jobs report a missing program themselves.
    const bool window = !app.launch.minimised && !app.launch.listMotions && !app.launch.checkProgram;
    const int autoRunMode = app.launch.autoRunMode;
    if (ResolveNcProgram(app, host) == NcResolve::Missing && window) {
        ReportMissingNcProgram(app, autoRunMode);
    }
    host.UseBatchLog(app.settings.output.logDir, FileTitle(app.launch.ncProgram));

    ReadDefinitionFiles(app, host);
    if (app.settings.work.sound) {
        LoadSounds(app.sounds, app.locations.startDir, app.locations.programDir);
    }
    AllocateTables(app);
    AllocateStrokeRecord(app.strokes);
    ShareWork(app);
    // The sync module's consent comes before it is asked for the mapping's name.
    InitPluginModules(app);
    SettleModuleOutputFormat(app.launch, app.plugins);
    CreateSyncMapping(app, host);
}

void PrepareMenu(App& app) {
    app.menu = DefaultMenuBar();
    if (!app.locations.messageFile.empty()) {
        (void)ApplyMessageFile(app.locations.messageFile, app.menu, app.panelCaptions);
    }
}

void ReportWaitFiles(Host& host, const std::vector<WaitFileNote>& notes) {
    for (const WaitFileNote& note : notes) {
        const std::string text = std::string(Msg(WaitFileMessage(note.fate))) + note.path;
        if (note.fate != WaitFileFate::Deleted) {
            MessageRequest request;
            request.text = text;
            request.kind = MessageKind::Warning;
            host.ShowMessage(request);
        } else if (host.IsUnattended()) {
            ShowText(host, text);  // into the batch log
        } else {
            host.ShowStatus(text);
        }
    }
}

void ReadDefinitionFiles(App& app, Host& host) {
    auto name = [&](DefinitionKind kind, const std::string& path, bool fromCommandLine) {
        DefinitionFile& file = app.definitions[kind];
        file.path = path;
        file.fromCommandLine = fromCommandLine;
    };
    const TableSettings& table = app.settings.table;
    name(DefinitionKind::ToolTable, table.toolTable, !app.launch.toolTable.empty());
    name(DefinitionKind::Controller, table.controllerTable, !app.launch.controllerTable.empty());
    name(DefinitionKind::Machine, table.machineTable, !app.launch.machineTable.empty());
    for (const DefinitionKind kind :
         {DefinitionKind::ToolTable, DefinitionKind::Controller, DefinitionKind::Machine}) {
        ReloadDefinitionFile(app, host, kind);
    }
}

void ReloadDefinitionFile(App& app, Host& host, DefinitionKind kind) {
    DefinitionFile& file = app.definitions[kind];
    switch (kind) {
    case DefinitionKind::Controller: {
        std::vector<WaitFileNote> notes;
        (void)ReadControllerDef(file.path, app.controller, WaitFilePlaces{app.settings.nc.ncDir, SystemTempDir()},
                                &notes);
        file.readTime = app.controller.fileTime;
        ReportWaitFiles(host, notes);
        break;
    }
    case DefinitionKind::Machine:
        (void)ReadMachineDef(file.path, app.machine);
        file.readTime = app.machine.fileTime;
        break;
    default: {
        // The tool table names its arbor file: both are read together.
        ToolTableOptions options;
        options.maxMagazine = app.settings.work.maxMagazine;
        options.toolBasePoint = app.settings.work.toolBasePoint;
        DefinitionFile& table = app.definitions[DefinitionKind::ToolTable];
        (void)ReadToolTable(table.path, options, app.tools);
        ApplyNcComToTable(app.plugins, app.tools, app.plugins.notes);
        table.readTime = app.tools.fileTime;
        DefinitionFile& arbor = app.definitions[DefinitionKind::Arbor];
        arbor.path = app.tools.arborFile;
        arbor.readTime = app.tools.arborFileTime;
        break;
    }
    }
}

void HandleWindowDestroy(App& app, Host& host, const WindowPlacement& placement) {
    if (!app.launch.minimised &&
        !SaveDisplaySettings(app.locations.settingsFile, app.settings, placement)) {
        ShowError(host, std::string(Msg(MsgId::SettingsNotWritten)) + app.locations.settingsFile);
    }
    CloseEditorIfAsked(app, host);
    FreePlugins(app.plugins);
}

void ShutDown(App& app) {
    CloseSyncMapping(app);
    FreeTables(app);
    if (app.work.sharing) FreeWork(app.work);  // leaves the shared work's objects
    FreeSounds(app.sounds);
    ReleasePlugins(app.plugins);
}

}  // namespace morvex
