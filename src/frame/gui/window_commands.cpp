// File and picture commands of the window.
#include "frame/gui/window_commands.h"

#include <QDialog>
#include <filesystem>
#include <QFileDialog>
#include <QInputDialog>
#include <QWidget>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "frame/gui/desk.h"
#include "frame/gui/display_dialogs.h"
#include "frame/gui/offset_dialog.h"
#include "frame/gui/save_dialog.h"
#include "frame/gui/statistics_dialog.h"
#include "frame/check_command.h"
#include "frame/report_command.h"
#include "base/file_time.h"
#include "frame/check_statistics.h"
#include "frame/gui/work_dialogs.h"
#include "nc/controller_writer.h"
#include "frame/editor_command.h"
#include "frame/picture_detail.h"
#include "frame/settings_writer.h"
#include "frame/startup.h"
#include "frame/plugin_work_forms.h"
#include "frame/work_commands.h"
#include "platform/host.h"
#include "resources/command_ids.h"
#include "view/png_file.h"

namespace morvex {

ProgressScope::ProgressScope(const WindowTools& tools) : show_(tools.progress) {
    if (!show_) return;
    progress_.stage = [this](MsgId caption) {
        caption_ = Msg(caption);
        shown_ = 0;
        show_(caption_, 0);
    };
    progress_.advance = [this](double share) {
        const int permille = static_cast<int>(std::clamp(share, 0.0, 1.0) * 1000.0);
        if (permille == shown_) return;
        shown_ = permille;
        show_(caption_, permille);
    };
}

ProgressScope::~ProgressScope() {
    if (show_) show_(std::string(), -1);
}
namespace {

QString FilterOf(FileKind kind) {
    switch (kind) {
    case FileKind::NcProgram: return QStringLiteral("NC (*.nc *.NC *.ncd *.tap *.txt);;* (*)");
    case FileKind::Work: return QStringLiteral("DMF (*.dmf *.DMF);;STL (*.stl *.STL *.dme *.DME)");
    case FileKind::Image: return QStringLiteral("PNG (*.png *.PNG)");
    case FileKind::ToolTable: return QStringLiteral("TTL (*.ttl *.TTL)");
    case FileKind::Controller: return QStringLiteral("CTL (*.ctl *.CTL)");
    case FileKind::Machine: return QStringLiteral("MTL (*.mtl *.MTL)");
    }
    return {};
}

// The definition file of a chooser command: its kind, the settings name it
// replaces and the file kind asked for.
struct DefinitionChoice {
    DefinitionKind kind;
    std::string TableSettings::*name;
    FileKind file;
    MsgId notFound;
};

void ReadDefinition(const DefinitionChoice& c, const std::string& path, App& app, Desk& desk, Host& host) {
    if (!CanOpenForReading(path)) {
        ShowError(host, std::string(Msg(c.notFound)) + " " + path);
        return;
    }
    app.settings.table.*c.name = path;
    app.definitions[c.kind].path = path;
    ReloadDefinitionFile(app, host, c.kind);
    if (c.kind == DefinitionKind::Controller) desk.state.stopMode = app.controller.stopOption;
}

void ChooseDefinition(const DefinitionChoice& c, App& app, Desk& desk, Host& host, WindowTools& tools) {
    const std::string path = tools.choose(c.file, false, app.settings.table.*c.name);
    if (!path.empty()) ReadDefinition(c, path, app, desk, host);
}

const DefinitionChoice kToolTableChoice{DefinitionKind::ToolTable, &TableSettings::toolTable, FileKind::ToolTable,
                                        MsgId::TtlNotFound};
const DefinitionChoice kControllerChoice{DefinitionKind::Controller, &TableSettings::controllerTable,
                                         FileKind::Controller, MsgId::CtlNotFound};
const DefinitionChoice kMachineChoice{DefinitionKind::Machine, &TableSettings::machineTable, FileKind::Machine,
                                      MsgId::MtlNotFound};

}  // namespace

namespace {

// The name a save dialog offers: the NC program's (else the work file's)
// in the work folder, with the form's ending.
std::string SaveProposal(const App& app, const Desk& desk, const SaveForm& form) {
    const std::string nc = app.launch.ncProgramOpened ? app.launch.ncProgram : std::string();
    return ProposedSaveName(app.settings.dmf.dmfDir, nc, desk.state.workFile, form.ending);
}

}  // namespace

ChooseFile FileDialogOf(QWidget* parent, const PluginSet* plugins) {
    return [parent, plugins](FileKind kind, bool save, const std::string& proposal) {
        const QString start = QString::fromStdString(proposal);
        const PluginSet none;
        const PluginSet& modules = plugins != nullptr ? *plugins : none;
        if (save && kind == FileKind::Work) {
            const WorkSaveFormList forms = WorkSaveFormsWith(modules);
            return AskSavePath(forms.forms, proposal, parent);
        }
        if (!save && kind == FileKind::Work) {
            const QString filter = QString::fromStdString(WorkOpenFilter(modules));
            return QFileDialog::getOpenFileName(parent, QString(), start, filter).toStdString();
        }
        if (save && kind == FileKind::Image) return AskSavePath({&ImageSaveForm(), 1}, proposal, parent);
        const QString path = save ? QFileDialog::getSaveFileName(parent, QString(), start, FilterOf(kind))
                                  : QFileDialog::getOpenFileName(parent, QString(), start, FilterOf(kind));
        return path.toStdString();
    };
}

QImage PreparePicture(App& app, Desk& desk, Host& host) {
    if (WantDetailedPicture(app.settings.display.displayGuidance, desk.DrawingStepNow(), desk.state.runActive, host)) {
        desk.RedrawDetailed();
    }
    return desk.Picture();
}

bool QuickView(App& app, Desk& desk, Host& host) {
    if (app.work.workState <= 0) return false;
    return QuickViewPicture(PreparePicture(app, desk, host), app.locations.startDir, host);
}

bool CopyView(App& app, Desk& desk, Host& host) {
    if (desk.state.runActive || app.work.workState <= 0) return false;
    return CopyPicture(PreparePicture(app, desk, host));
}

bool RunFileCommand(int id, App& app, Desk& desk, Host& host, WindowTools& tools) {
    using namespace cmd;
    switch (id) {
    case kSelectNc:
    case kSelectNcDefineWork: {
        const std::string path = tools.choose(FileKind::NcProgram, false, app.launch.ncProgram);
        if (path.empty() || !SelectNcProgram(app, host, path)) return true;
        desk.state.ncLoaded = true;
        if (OfferOptimumWork(app, host, id == kSelectNcDefineWork)) {
            desk.state.workFile.clear();
            desk.FitToWork();
        } else {
            desk.Redraw();
        }
        return true;
    }
    case kLoadWork: {
        const std::string path = tools.choose(FileKind::Work, false, desk.state.workFile);
        if (path.empty()) return true;
        {
            const ProgressScope progress(tools);
            if (!LoadWorkFile(app, host, path, progress.get())) return true;
        }
        desk.state.workFile = path;
        desk.FitToWork();
        if (app.settings.dmf.stlCheck && EndsWithNoCase(path, ".stl")) desk.DrawModelCheck(path);
        return true;
    }
    case kSaveWork: {
        const std::string path = tools.choose(FileKind::Work, true, SaveProposal(app, desk, WorkSaveForms()[0]));
        if (!path.empty()) SaveWorkFile(app, host, path);
        return true;
    }
    case kSaveImage: {
        const std::string path = tools.choose(FileKind::Image, true, SaveProposal(app, desk, ImageSaveForm()));
        if (path.empty()) return true;
        // A picture that cannot be written is said so rather than lost silently.
        if (!WritePng(path, PreparePicture(app, desk, host))) {
            ShowError(host, std::string(Msg(MsgId::ImageNotWritten)) + path);
        } else {
            host.ShowStatus(std::string(Msg(MsgId::FileSaved)) + path);
        }
        return true;
    }
    case kPrint: {
        const QImage picture = PreparePicture(app, desk, host);
        PrintCommand(tools.print, picture, tools.screenDpi, tools.askPrint, host);
        return true;
    }
    case kChooseToolTable: ChooseDefinition(kToolTableChoice, app, desk, host, tools); return true;
    case kChooseController: ChooseDefinition(kControllerChoice, app, desk, host, tools); return true;
    case kChooseMachine: ChooseDefinition(kMachineChoice, app, desk, host, tools); return true;
    default: return false;
    }
}

namespace {

int Run(WindowTools& tools, QDialog& dialog) { return tools.runDialog ? tools.runDialog(dialog) : dialog.exec(); }

bool EditPitch(App& app, Host& host, WindowTools& tools) {
    const PitchValues before = PitchValuesOf(app.settings.work);
    PitchDialog dialog(before, IsEnglish(), host, tools.parent);
    if (Run(tools, dialog) != QDialog::Accepted) return false;
    const PitchValues after = dialog.Values();
    if (after == before) return false;
    StorePitchValues(after, app.settings.work);
    ShowText(host, Msg(MsgId::PitchReflected));
    return true;
}

// The specified point is written to the settings file at once.
void EditSpecifiedPoint(App& app, Host& host, WindowTools& tools) {
    PointDialog dialog(app.settings.work.specifiedPoint, IsEnglish(), tools.parent);
    if (Run(tools, dialog) != QDialog::Accepted) return;
    app.settings.work.specifiedPoint = dialog.Value();
    if (!WriteSpecifiedPoint(app.locations.settingsFile, app.settings.work.specifiedPoint)) {
        ShowError(host, std::string(Msg(MsgId::SettingsNotWritten)) + app.locations.settingsFile);
    }
}

void DefineWorkByDialog(App& app, Desk& desk, Host& host, WindowTools& tools) {
    WorkDefinition start;
    const bool haveBox = app.workBox.xMax > app.workBox.xMin;
    start.box = haveBox ? app.workBox : InitialBox(app.settings);
    start.pitch = app.settings.work.workPitch;
    start.controlPoint = app.settings.work.newControlPoint;
    DefineWorkDialog dialog(start, IsEnglish(), host, tools.parent);
    const auto minimum = [&app]() { return app.settings.work.autoPitch ? 0.0 : app.settings.work.minimumPitch; };
    dialog.minimumPitch = minimum();
    dialog.detail = [&]() {
        if (EditPitch(app, host, tools)) {
            dialog.Field(6)->setText(QString::fromStdString(Format("%5.3f", app.settings.work.workPitch)).trimmed());
            dialog.minimumPitch = minimum();
        }
    };
    dialog.controlPoint = [&]() { EditSpecifiedPoint(app, host, tools); };
    if (Run(tools, dialog) != QDialog::Accepted) return;
    const WorkDefinition v = dialog.Values();
    app.settings.work.workPitch = v.pitch;
    app.settings.work.newControlPoint = v.controlPoint;
    if (!WriteNewControlPoint(app.locations.settingsFile, v.controlPoint)) {
        ShowError(host, std::string(Msg(MsgId::SettingsNotWritten)) + app.locations.settingsFile);
    }
    if (DefineWork(app, host, v.box) != 0) return;
    desk.state.workFile.clear();
    desk.FitToWork();
}

void ShowRemovalVolume(App& app, Host& host) {
    const std::optional<double> volume = RemovalVolume(app.work);
    if (!volume) {
        ShowWarning(host, Msg(MsgId::VolumeNeedsBackup));
        return;
    }
    MessageRequest box;
    box.caption = std::string(Msg(MsgId::VolumeTitle));
    box.text = app.settings.work.volumeInM3 ? Format(std::string(Msg(MsgId::VolumeM3)).c_str(), *volume * 1e-9)
                                            : Format(std::string(Msg(MsgId::VolumeMm)).c_str(),
                                                     static_cast<long>(std::trunc(*volume)));
    box.text += "\n\n" + std::string(Msg(MsgId::VolumeSigns));
    host.ShowMessage(box);
}

// An offset editor; with "Modify CTL-File" the table is written back into
// the controller definition, whose new time is recorded so that the
// definition check does not take the change for an outside edit.
void EditOffsets(OffsetEditor table, App& app, Host& host, WindowTools& tools) {
    OffsetDialog dialog(table, app.controller, IsEnglish(), host, tools.parent);
    if (Run(tools, dialog) != QDialog::Accepted) return;
    dialog.StoreInto(app.controller);
    if (!dialog.WriteBack()) return;
    DefinitionFile& file = app.definitions[DefinitionKind::Controller];
    const bool written = table == OffsetEditor::WorkCoordinates
                             ? WriteBackWorkCoordinates(file.path, app.controller)
                             : WriteBackOffsets(file.path, app.controller, table == OffsetEditor::DCode ? 'D' : 'H');
    if (!written) {
        ShowError(host, std::string(Msg(MsgId::CtlNotWritten)) + file.path);
        return;
    }
    file.readTime = app.controller.fileTime;
}

}  // namespace

void DropFiles(const std::vector<std::string>& paths, App& app, Desk& desk, Host& host, const Progress* progress) {
    for (const std::string& dropped : paths) {
        std::string path = dropped;
        std::error_code ec;
        if (std::filesystem::is_symlink(path, ec)) {
            const std::filesystem::path resolved = std::filesystem::canonical(path, ec);
            if (ec) {
                ShowError(host, std::string(Msg(MsgId::LinkNotResolved)) + path);
                continue;
            }
            path = resolved.string();
        }
        if (EndsWithNoCase(path, ".ini")) continue;  // settings are read at start only
        if (EndsWithNoCase(path, ".ttl")) {
            ReadDefinition(kToolTableChoice, path, app, desk, host);
        } else if (EndsWithNoCase(path, ".ctl")) {
            ReadDefinition(kControllerChoice, path, app, desk, host);
        } else if (EndsWithNoCase(path, ".mtl")) {
            ReadDefinition(kMachineChoice, path, app, desk, host);
        } else if (EndsWithNoCase(path, ".dmf") || EndsWithNoCase(path, ".stl") || EndsWithNoCase(path, ".wrl") ||
                   LoaderForFile(app.plugins, path) != nullptr) {
            if (LoadWorkFile(app, host, path, progress)) {
                desk.state.workFile = path;
                desk.FitToWork();
                if (app.settings.dmf.stlCheck && EndsWithNoCase(path, ".stl")) desk.DrawModelCheck(path);
            }
        } else if (SelectNcProgram(app, host, path)) {
            desk.state.ncLoaded = true;
            if (OfferOptimumWork(app, host, false)) {
                desk.state.workFile.clear();
                desk.FitToWork();
            }
        }
    }
    desk.Redraw();
}

bool OpenDefinitionEditor(int key, bool ctrl, App& app, Host& host) {
    const EditorSettings& e = app.settings.editor;
    switch (key) {
    case 113:  // F2
        if (ctrl) {
            // The report template: the current folder first, then the settings file's folder.
            std::string form = JoinPath(app.locations.startDir, "verify_form.def");
            if (!CanOpenForReading(form)) form = JoinPath(DirectoryPart(app.locations.settingsFile), "verify_form.def");
            return OpenInEditor(host, e.defEditor, form);
        } else {
            bool opened = OpenInEditor(host, e.ttlEditor, app.definitions[DefinitionKind::ToolTable].path);
            if (app.tools.arborStatus == 1) opened = OpenInEditor(host, e.ttlEditor, app.tools.arborFile) && opened;
            return opened;
        }
    case 114: return OpenInEditor(host, e.ctlEditor, app.definitions[DefinitionKind::Controller].path);
    case 115: return OpenInEditor(host, e.mtlEditor, app.definitions[DefinitionKind::Machine].path);
    default: return false;
    }
}

bool RunWorkCommand(int id, App& app, Desk& desk, Host& host, WindowTools& tools) {
    using namespace cmd;
    switch (id) {
    case kPitch: EditPitch(app, host, tools); return true;
    case kDefineWorkTwoPoints: DefineWorkByDialog(app, desk, host, tools); return true;
    case kControlPoint: EditSpecifiedPoint(app, host, tools); return true;
    case kColors: {
        ColourDialog dialog(app.settings.colors, IsEnglish(), tools.parent);
        if (Run(tools, dialog) != QDialog::Accepted) return true;
        app.settings.colors = dialog.Colours();
        desk.Redraw();
        return true;
    }
    case kTargetArea: {
        DisplaySettings& d = app.settings.display;
        TargetAreaDialog dialog(d.targetAreaOn, d.targetArea, IsEnglish(), host, tools.parent);
        if (Run(tools, dialog) != QDialog::Accepted) return true;
        d.targetAreaOn = dialog.On();
        d.targetArea = dialog.Area();
        desk.Redraw();
        return true;
    }
    case kExpandRate: {
        RateDialog dialog(app.settings.display.expandRate, IsEnglish(), host, tools.parent);
        if (Run(tools, dialog) == QDialog::Accepted) app.settings.display.expandRate = dialog.Rate();
        return true;
    }
    case kResizeBehaviour: {
        ResizeDialog dialog(desk.state.fitOnResize, IsEnglish(), tools.parent);
        if (Run(tools, dialog) == QDialog::Accepted) desk.state.fitOnResize = dialog.FitOnResize();
        return true;
    }
    case kToolParameters: {
        HandToolDialog dialog(app.settings.work, IsEnglish(), host, tools.parent);
        if (Run(tools, dialog) == QDialog::Accepted) dialog.StoreInto(app.settings.work);
        return true;
    }
    case cmd::kCheckData:
    case cmd::kCheckMinMax: {
        const int mode = id == cmd::kCheckData ? morvex::kCheckData : morvex::kCheckMinMax;
        CheckResult result;
        ControllerDef ctl = app.controller;  // the check may change offsets; runs start afresh
        if (CheckProgram(CheckInputOf(app, mode), ctl, app.machine, CheckToolsOf(app), result) != 0) {
            ShowError(host, std::string(Msg(MsgId::NcProgramNotOpened)) + app.launch.ncProgram);
            return true;
        }
        // The NC error that stopped the check first (logged in the
        // window's unattended modes), then what was read up to it.
        if (result.error != 0) ShowCheckAlarm(app, host, result, app.launch.autoRunMode >= 4);
        if (mode == morvex::kCheckData) {
            desk.state.lastCheck = result;
            desk.state.lastCheckProgram = app.launch.ncProgram;
            desk.state.lastCheckTime = ReadFileTime(app.launch.ncProgram);
        }
        StatisticsDialog dialog(CheckTitle(mode, IsEnglish()), CheckStatistics(result, mode, IsEnglish()),
                                tools.parent);
        Run(tools, dialog);
        return true;
    }
    case cmd::kReport: {
        // The totals of the last data check of this program, checked first
        // when there is none or the file changed since.
        DeskState& s = desk.state;
        const FileTime now = ReadFileTime(app.launch.ncProgram);
        if (s.lastCheckProgram != app.launch.ncProgram || !s.lastCheckTime || s.lastCheckTime != now) {
            CheckResult result;
            ControllerDef ctl = app.controller;
            if (CheckProgram(CheckInputOf(app, morvex::kCheckData), ctl, app.machine, CheckToolsOf(app), result) != 0) {
                ShowError(host, std::string(Msg(MsgId::NcProgramNotOpened)) + app.launch.ncProgram);
                return true;
            }
            // Told as the check finds it; the report shows what was read.
            if (result.error != 0) ShowCheckAlarm(app, host, result, app.launch.autoRunMode >= 4);
            s.lastCheck = result;
            s.lastCheckProgram = app.launch.ncProgram;
            s.lastCheckTime = now;
        }
        const std::string path = WriteCuttingReport(app, host, s.lastCheck);
        if (!path.empty()) {
            host.ShowStatus(path);
            if (!host.OpenWithViewer(path)) ShowError(host, std::string(Msg(MsgId::EditorNotStarted)) + " " + path);
        }
        return true;
    }
    case kOptionalBlockSkip: {
        SkipDialog dialog(app.controller.skipLevels, IsEnglish(), tools.parent);
        if (Run(tools, dialog) != QDialog::Accepted) return true;
        app.controller.skipLevels = dialog.Levels();
        app.controller.skipActive = false;
        for (const bool level : app.controller.skipLevels) app.controller.skipActive = app.controller.skipActive || level;
        return true;
    }
    case kStartupState: {
        StartupDialog dialog(app.settings.save, IsEnglish(), tools.parent);
        if (Run(tools, dialog) == QDialog::Accepted) app.settings.save = dialog.Value();
        return true;
    }
    case kRadiusOffsets: EditOffsets(OffsetEditor::DCode, app, host, tools); return true;
    case kLengthOffsets: EditOffsets(OffsetEditor::HCode, app, host, tools); return true;
    case kWorkCoordinates: EditOffsets(OffsetEditor::WorkCoordinates, app, host, tools); return true;
    case kRemovalVolume: ShowRemovalVolume(app, host); return true;
    case kPaintAll:
    case kStripPaint:
    case kStripPen: {
        if (app.work.workState <= 0) {
            ShowWarning(host, Msg(MsgId::PleaseLoadWork));
            return true;
        }
        if (id == kPaintAll) PaintAll(app.work);
        if (id == kStripPaint) StripPaint(app.work);
        if (id == kStripPen) {
            int pen = 0;
            if (tools.askPen) {
                pen = tools.askPen();
            } else {
                bool ok = false;  // Cancel returns the starting value: only OK strips
                pen = QInputDialog::getInt(tools.parent, QString::fromUtf8(kMessageCaption.data()),
                                           QString::fromUtf8(Msg(MsgId::PenToStrip).data()), 8, 1, 8, 1, &ok);
                if (!ok) pen = 0;
            }
            if (pen < 1 || pen > 8) return true;
            StripPen(app.work, pen);
        }
        desk.Redraw();
        return true;
    }
    case kVersion:
        ShowText(host, Format(std::string(Msg(MsgId::VersionText)).c_str(), MORVEX_VERSION,
                              app.system.processorCount, app.system.wordSize, app.system.osVersion.c_str()));
        return true;
    default: return false;
    }
}

}  // namespace morvex
