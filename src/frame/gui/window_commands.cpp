// File and picture commands of the window.
#include "frame/gui/window_commands.h"

#include <QFileDialog>
#include <QWidget>

#include "base/messages.h"
#include "base/paths.h"
#include "frame/gui/desk.h"
#include "frame/picture_detail.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "platform/host.h"
#include "resources/command_ids.h"
#include "view/png_file.h"

namespace morvex {
namespace {

QString FilterOf(FileKind kind) {
    switch (kind) {
    case FileKind::NcProgram: return QStringLiteral("NC (*.nc *.NC *.ncd *.tap *.txt);;* (*)");
    case FileKind::Work: return QStringLiteral("DMF (*.dmf *.DMF)");
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

void ChooseDefinition(const DefinitionChoice& c, App& app, Desk& desk, Host& host, WindowTools& tools) {
    const std::string path = tools.choose(c.file, false, app.settings.table.*c.name);
    if (path.empty()) return;
    if (!CanOpenForReading(path)) {
        ShowText(host, std::string(Msg(c.notFound)) + " " + path);
        return;
    }
    app.settings.table.*c.name = path;
    app.definitions[c.kind].path = path;
    ReloadDefinitionFile(app, host, c.kind);
    if (c.kind == DefinitionKind::Controller) desk.state.stopMode = app.controller.stopOption;
}

}  // namespace

ChooseFile FileDialogOf(QWidget* parent) {
    return [parent](FileKind kind, bool save, const std::string& proposal) {
        const QString start = QString::fromStdString(proposal);
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
        if (path.empty() || !LoadWorkFile(app, host, path)) return true;
        desk.state.workFile = path;
        desk.FitToWork();
        return true;
    }
    case kSaveWork: {
        const std::string path = tools.choose(FileKind::Work, true, desk.state.workFile);
        if (!path.empty()) SaveWorkFile(app, host, path);
        return true;
    }
    case kSaveImage: {
        const std::string path = tools.choose(FileKind::Image, true, std::string());
        if (path.empty()) return true;
        // A picture that cannot be written is said so rather than lost silently.
        if (!WritePng(path, PreparePicture(app, desk, host))) {
            ShowText(host, std::string(Msg(MsgId::ImageNotWritten)) + path);
        }
        return true;
    }
    case kPrint: {
        const QImage picture = PreparePicture(app, desk, host);
        PrintCommand(tools.print, picture, tools.screenDpi, tools.askPrint, host);
        return true;
    }
    case kChooseToolTable:
        ChooseDefinition({DefinitionKind::ToolTable, &TableSettings::toolTable, FileKind::ToolTable, MsgId::TtlNotFound}, app, desk, host,
                         tools);
        return true;
    case kChooseController:
        ChooseDefinition({DefinitionKind::Controller, &TableSettings::controllerTable, FileKind::Controller, MsgId::CtlNotFound}, app,
                         desk, host, tools);
        return true;
    case kChooseMachine:
        ChooseDefinition({DefinitionKind::Machine, &TableSettings::machineTable, FileKind::Machine, MsgId::MtlNotFound}, app, desk, host,
                         tools);
        return true;
    default: return false;
    }
}

}  // namespace morvex
