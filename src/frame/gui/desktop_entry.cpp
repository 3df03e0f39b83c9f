// The desktop module: the window of the desktop program and the pictures
// of unattended runs, loaded by the program only when a run needs one of
// them (the entries at the end).
#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "base/paths.h"
#include "frame/app.h"
#include "frame/auto_run.h"
#include "frame/gui/auto_run_window.h"
#include "frame/gui/desk.h"
#include "frame/gui/main_window.h"
#include "frame/gui/qt_translations.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "view/work_picture.h"
#include "platform/qt/qt_host.h"

namespace {

// Whether a window can be shown. A platform chosen explicitly (offscreen,
// wayland, ...) is trusted; otherwise the X server of DISPLAY must answer,
// because Qt ends the process when it cannot connect. An X server that was
// started without -noreset resets when its last client leaves and turns
// connections away meanwhile, so a refused connection is tried again for up
// to a second before the display counts as missing. The probe's connection
// is handed back open, so that the server cannot reset between the probe and
// Qt's own connection; the caller closes it once Qt is connected.
bool HasDisplay(xcb_connection_t*& probe) {
    probe = nullptr;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && std::string_view(platform) != "xcb") return true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection) == 0) {
            probe = connection;
            return true;
        }
        xcb_disconnect(connection);
    }
    return false;
}

// Qt's note that it has no runtime folder means nothing to an unattended run.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QStringLiteral("XDG_RUNTIME_DIR"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// The --image picture, drawn on Qt's offscreen platform unless one was chosen.
int WritePicture(morvex::App& app, morvex::Host& host) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    int qtArgc = 1;
    char name[] = "morvex";
    char* qtArgv[] = {name, nullptr};
    QGuiApplication qtApp(qtArgc, qtArgv);
    const morvex::LaunchOptions& l = app.launch;
    // The path of the program that was cut, replayed from its start as that run moved it.
    const morvex::AutoRunPlan plan = morvex::AutoRunPlanOf(app.launch.autoRunMode, "");
    const std::optional<morvex::PathSource> program =
        morvex::ProgramPathOf(app, plan.runMode != 0 ? plan.runMode : morvex::kRunResult, plan.fast);
    if (morvex::WriteWorkPicture(app.settings, app.work, l.imageFile, l.imageView, l.imageWidth, l.imageHeight,
                                 program ? &*program : nullptr)) {
        return 0;
    }
    morvex::ShowError(host, std::string(morvex::Msg(morvex::MsgId::ImageNotWritten)) + l.imageFile);
    return 2;
}

}  // namespace

// The desktop program: the start-up goes on with the Qt host, then the
// window runs until it is closed.
extern "C" int morvex_desktop_window(morvex::App* appPointer, char* program) {
    morvex::App& app = *appPointer;
    char* argv[] = {program, nullptr};
    xcb_connection_t* probe = nullptr;
    if (!HasDisplay(probe)) {
        std::fprintf(stderr, "morvex: %s\n", std::string(morvex::Msg(morvex::MsgId::NoDisplay)).c_str());
        return 1;
    }
    // Qt sees no arguments: the command line is the program's own.
    int qtArgc = 1;
    QApplication qtApp(qtArgc, argv);
    if (probe != nullptr) xcb_disconnect(probe);
    // The language was chosen by the message file before Qt started.
    morvex::InstallQtTranslations(qtApp, morvex::IsEnglish());
    morvex::QtHost host;
    // Sounds come from the table loaded at start-up (or when sound is
    // switched on); with SOUND off every slot is silent.
    host.soundData = [&app](int slot) -> const std::vector<std::uint8_t>* {
        if (!app.settings.work.sound || !app.sounds.loaded || slot < 0 ||
            slot >= static_cast<int>(morvex::kSoundSlots)) {
            return nullptr;
        }
        return &app.sounds.data[static_cast<std::size_t>(slot)];
    };
    morvex::ContinueStartUp(app, host);
    if (app.launch.endAtStart) {
        // The automatic run's program is missing: told in the batch log.
        morvex::ShutDown(app);
        return 2;
    }
    int exitCode = 0;
    {
        morvex::MainWindow window(app, host);
        window.Create();
        window.ShowAtStart();
        // Then the work to cut, as an unattended run would have it; a failure
        // shows its message over the window, which stays without a work.
        QTimer::singleShot(0, &window, [&app, &host, &window]() {
            morvex::TellMissingProgram(app, host);
            const bool workReady = morvex::PrepareLaunchWork(app, host) == 0;
            window.LaunchWorkReady();
            // The automatic run of /X1 .. /X5, the window being there now.
            morvex::StartAutoRun(app, host, window, workReady);
        });
        exitCode = QApplication::exec();
    }
    host.LoopSound(-1);
    morvex::ShutDown(app);
    return exitCode;
}

extern "C" int morvex_desktop_picture(morvex::App* app, morvex::Host* host) {
    return WritePicture(*app, *host);
}
