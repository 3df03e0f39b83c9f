// Main window.
#include "frame/gui/main_window.h"

#include <algorithm>
#include <cstdlib>

#include <QAction>
#include <QCursor>
#include <QCloseEvent>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <QMimeData>
#include <QMenu>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include "base/messages.h"
#include "base/paths.h"
#include "frame/command_dispatch.h"
#include "frame/definition_files.h"
#include "frame/help_file.h"
#include "frame/gui/desk.h"
#include "frame/gui/editor_follow.h"
#include "frame/gui/hand_tool_input.h"
#include "frame/gui/command_panel.h"
#include "frame/gui/measure_input.h"
#include "frame/gui/menu_bar.h"
#include "frame/gui/panel_strip.h"
#include "frame/gui/tool_dialog.h"
#include "frame/gui/mouse_modes.h"
#include "frame/gui/operation_commands.h"
#include "frame/gui/work_view.h"
#include "frame/menu_state.h"
#include "frame/gui/plugin_command_window.h"
#include "frame/plugin_menu.h"
#include "frame/self_instance.h"
#include "frame/sounds.h"
#include "frame/startup.h"
#include "frame/sync_run.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "view/offscreen_bitmap.h"
#include "frame/window_fit.h"

namespace morvex {

MainWindow::MainWindow(App& app, QtHost& host) : app_(app), host_(host) {
    host_.owner = this;
    host_.redraw = [this]() {
        if (view_ != nullptr) view_->update();
    };
}

MainWindow::~MainWindow() {
    hand_.reset();
    desk_.reset();  // ends a run that is still open
    host_.status = nullptr;
    host_.owner = nullptr;
    host_.redraw = nullptr;
    host_.ClearKeys();
}

void MainWindow::Create() {
    PrepareMenu(app_);
    AddPluginMenuItems(app_.menu, app_.plugins, IsEnglish());
    actions_ = BuildMenuBar(app_.menu, *menuBar());
    if (QAction* action = actions_.value(cmd::kNcComToggle)) action->setCheckable(true);
    for (QAction* action : std::as_const(actions_)) {
        const int id = action->data().toInt();
        connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
    }
    desk_ = std::make_unique<Desk>(app_, host_);
    editor_ = new EditorFollow(app_, host_, this);
    desk_->lineRead = [this](int line) { editor_->Follow(line); };
    hand_ = std::make_unique<HandToolInput>(app_, *desk_, host_);
    hand_->panelsChanged = [this]() { RefreshPanels(); };
    tools_.choose = FileDialogOf(this, &app_.plugins);
    tools_.askPrint = PrintDialogOf(this);
    tools_.screenDpi = logicalDpiX();
    tools_.parent = this;
    RefreshMenuState();

    view_ = new WorkView(this);
    measure_ = std::make_unique<MeasureInput>(app_, *desk_, host_, this);
    measure_->measured = [this]() {
        info_ = InfoGroup::Measurement;
        RefreshPanels();
    };
    view_->picture = [this]() {
        QImage picture = desk_->Picture();  // with the measured points and the watched node marked
        measure_->DrawMarks(picture);
        return picture;
    };
    view_->afterPaint = [this]() { CheckDefinitionsSoon(); };
    view_->resized = [this](int width, int height) { desk_->Resize(width, height); };
    view_->wheel = [this](int notches, int x, int y) {
        if (desk_->state.runActive && desk_->RunStateNow() == RunState::Running) return;
        WheelZoom(desk_->View(), notches, app_.settings.mouse.wheelReverse, x, y);
        desk_->Redraw();
    };
    view_->pressed = [this](Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers mods) {
        OnMousePress(button, x, y, (mods & Qt::ControlModifier) != 0);
    };
    view_->moved = [this](int x, int y, Qt::KeyboardModifiers mods) {
        OnMouseMove(x, y, (mods & Qt::ControlModifier) != 0);
    };
    view_->released = [this](Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers) {
        OnMouseRelease(button, x, y);
    };
    view_->band = [this]() {
        if (drag_.kind != DragKind::ZoomRect) return QRect();
        const PixelRect r = DragRect(drag_);
        return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
    };
    view_->setMouseTracking(true);
    UpdateCursor(false);
    desk_->changed = [this]() { view_->update(); };
    desk_->retitle = [this]() {
        UpdateTitle();
        RefreshMenuState();
        if (checkPending_ && !desk_->state.runActive) CheckDefinitionsSoon();
    };
    desk_->runStarted = [this]() {
        // A fresh run (not one going on after a pause or a wait) starts at the top.
        if (const CuttingRun* run = desk_->Run(); run != nullptr && run->motions == 0) editor_->RunStarts();
        RefreshMenuState();
        UpdateTitle();
    };
    // The view with the strip of panel cells under it.
    strip_ = new PanelStrip(this);
    strip_->stopChosen = [this](int mode) { OnCommand(cmd::kStopModeFirst + mode); };
    strip_->runButton = [this](bool go) { OnKey(go ? 'G' : app_.settings.work.escapeKey, false); };
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(view_, 1);
    column->addWidget(strip_);
    setCentralWidget(central);
    setAcceptDrops(true);
    // The status area: the NC line being cut, and the progress bar while a run goes on.
    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setMaximumWidth(240);
    progress_->setTextVisible(true);
    progress_->hide();
    statusBar()->addWidget(status_, 1);
    statusBar()->addPermanentWidget(progress_);
    host_.status = [this](const std::string& text) {
        QString shown = QString::fromStdString(text);
        while (shown.endsWith(QLatin1Char('\n')) || shown.endsWith(QLatin1Char('\r'))) shown.chop(1);
        status_->setText(shown);
    };
    // A work operation's caption and progress, painted at once: the
    // operation holds the event loop until it ends.
    tools_.progress = [this](const std::string& caption, int permille) {
        status_->setText(QString::fromStdString(caption));
        const bool show = app_.settings.display.progressBar && permille >= 0;
        progress_->setVisible(show);
        if (show) {
            progress_->setFormat(QString::fromStdString(caption) + QStringLiteral("  %p%"));
            progress_->setValue(std::clamp(permille, 0, 1000));
        }
        statusBar()->repaint();
    };
    desk_->progress = [this](int line, int lines) {
        const bool show = app_.settings.display.progressBar && lines > 0;
        progress_->setVisible(show);
        if (!show) return;
        // PROGRESS NAME of the settings goes with the percentage on the bar.
        const QString name = QString::fromStdString(app_.settings.display.progressName).trimmed();
        progress_->setFormat(name.isEmpty() ? QStringLiteral("%p%") : name + QStringLiteral("  %p%"));
        progress_->setValue(static_cast<int>(1000.0 * std::min(line, lines) / lines));
    };
    // A run waiting for its wait file looks for it a few times a second; a
    // run paused with its lock-step group goes on when another instance
    // lifted the pause (or stopped the group).
    waitTimer_ = new QTimer(this);
    waitTimer_->setInterval(200);
    connect(waitTimer_, &QTimer::timeout, this, [this]() {
        if (desk_->RunStateNow() == RunState::Paused && InLockStep(app_)) {
            if (GroupControl(app_.sync) != kGroupPause) {
                desk_->Continue();
                WatchRun();
                UpdateTitle();
                RefreshMenuState();
            }
            return;
        }
        if (desk_->RunStateNow() != RunState::Waiting) {
            waitTimer_->stop();
            return;
        }
        desk_->WaitPoll();
    });
    // With MAPFILE the window follows the run another instance publishes,
    // until that record goes back to idle; its own runs publish instead.
    if (app_.sync.mode == kSyncPosition) {
        followTimer_ = new QTimer(this);
        followTimer_->setInterval(200);
        connect(followTimer_, &QTimer::timeout, this, [this]() {
            if (desk_ && desk_->state.runActive) return;
            std::string text;
            if (FollowedRun(app_, text)) {
                followed_ = true;
                host_.ShowStatus(text);
            } else if (followed_) {
                followTimer_->stop();
            }
        });
        followTimer_->start();
    }
    resize(1024, 768);
    SyncPanels();
    UpdateTitle();
    CheckDefinitions();
    // A program named on the command line is selected as one chosen in the
    // window is: SELECT OPEN shows it in the editor.
    if (desk_->state.ncLoaded) editor_->ProgramSelected();
}

namespace {

// A panel beside the main window (right of it, or below it), kept on the
// screen, so that it does not cover the view when there is room elsewhere.
void PlaceBeside(QWidget& panel, const QWidget& window, bool right) {
    panel.adjustSize();
    const QRect frame = window.frameGeometry();
    QPoint at = right ? frame.topRight() + QPoint(8, 0) : frame.bottomLeft() + QPoint(0, 8);
    if (const QScreen* screen = window.screen()) {
        const QRect desk = screen->availableGeometry();
        at.setX(std::clamp(at.x(), desk.left(), std::max(desk.left(), desk.right() - panel.width())));
        at.setY(std::clamp(at.y(), desk.top(), std::max(desk.top(), desk.bottom() - panel.height())));
    }
    panel.move(at);
}

// The window's own area fitted into the available area of the screen under
// its centre (else the primary screen); `move` places it, else only its size
// changes and the window system places it.
void FitIntoScreen(QWidget& window, const WindowRect& want, bool move) {
    const QPoint centre(want.x + want.width / 2, want.y + want.height / 2);
    const QScreen* screen = QGuiApplication::screenAt(centre);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QRect framed = window.frameGeometry(), inner = window.geometry();
    const WindowFrame frame{inner.left() - framed.left(), inner.top() - framed.top(),
                            framed.right() - inner.right(), framed.bottom() - inner.bottom()};
    constexpr int kMinSide = 100;
    const WindowRect fit = FitWindowRect(want, {area.x(), area.y(), area.width(), area.height()}, frame, kMinSide);
    if (fit == want) return;  // a window that fits stays where the window system put it
    if (move) {
        window.setGeometry(fit.x, fit.y, fit.width, fit.height);
    } else {
        window.resize(fit.width, fit.height);
    }
}

}  // namespace

void MainWindow::ShowAtStart() {
    const SaveSettings& save = app_.settings.save;
    const bool placed = save.display == 1 || app_.launch.geometry.has_value();
    // A saved or given placement, or the default size, is fitted into the
    // screen it falls on, so that no window larger than its screen (a scaled
    // one offers fewer pixels) or off every screen ever shows.
    const bool restored = placed && save.width > 0 && save.height > 0;
    FitIntoScreen(*this, restored ? WindowRect{save.x, save.y, save.width, save.height}
                                  : WindowRect{x(), y(), width(), height()}, restored);
    if (app_.launch.closeAfterMs >= 0) {
        // A message box still open then is closed too, so that the program ends.
        QTimer::singleShot(app_.launch.closeAfterMs, this, [this]() {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            close();
        });
    }
    const int show = placed ? save.show : 1;
    if (app_.launch.minimised || show == 2 || show == 6 || show == 7) {
        showMinimized();
    } else if (show == 3) {
        showMaximized();
    } else {
        this->show();  // a saved hidden state would leave no window to close
    }
    // Once shown, the window system's frame is known: the framed window is
    // fitted again.
    if (!isMaximized() && !isMinimized()) FitIntoScreen(*this, {x(), y(), width(), height()}, true);
    // The panels go beside the window where it now stands.
    if (panel_ != nullptr) PlaceBeside(*panel_, *this, true);
    if (toolDialog_ != nullptr) PlaceBeside(*toolDialog_, *this, false);
}

void MainWindow::UpdateTitle() {
    title_.ncProgram = app_.launch.ncProgramOpened ? app_.launch.ncProgram : std::string();
    // The work file appears once a work has been loaded from it.
    title_.workFile = desk_ ? desk_->state.workFile : std::string();
    title_.workExists = app_.work.workState > 0;
    title_.drawingStep = desk_ ? desk_->DrawingStepNow() : 1;
    title_.pause = PauseReason::None;
    if (desk_ && desk_->RunStateNow() == RunState::Paused) {
        const StopReason why = desk_->PauseReason();
        title_.pause = why == StopReason::OffsetMark ? PauseReason::OffsetAlarm
                       : why == StopReason::Check    ? PauseReason::Interference
                                                     : PauseReason::Stop;
    }
    title_.toolTable = app_.settings.table.toolTable;
    title_.controllerTable = app_.settings.table.controllerTable;
    title_.machineTable = app_.settings.table.machineTable;
    title_.colorByDirection = app_.settings.display.colorByDirection;
    setWindowTitle(QString::fromStdString(BuildWindowTitle(title_)));
}

void MainWindow::LaunchWorkReady() {
    if (!desk_) return;
    if (app_.work.workState > 0) {
        desk_->state.workFile = app_.launch.workFile;  // "" for a defined block
        desk_->FitToWork();
    }
    UpdateTitle();
    RefreshMenuState();
}

QString MainWindow::StatusText() const { return status_ != nullptr ? status_->text() : QString(); }

QString MainWindow::ProgressText() const {
    return progress_ != nullptr && !progress_->isHidden() ? progress_->text() : QString();
}

int MainWindow::ProgressValue() const {
    return progress_ != nullptr && !progress_->isHidden() ? progress_->value() : -1;
}

QImage MainWindow::Picture() const { return desk_ ? desk_->Picture() : QImage(); }

void MainWindow::RefreshMenuState() {
    if (!desk_) return;
    DeskState& state = desk_->state;
    state.workExists = app_.work.workState > 0;
    for (QAction* action : std::as_const(actions_)) {
        const int id = action->data().toInt();
        action->setEnabled(CanChooseCommand(id, app_.settings, state));
        if (action->isCheckable()) action->setChecked(false);
    }
    for (const int id : CheckedCommands(app_.settings, state.stopMode)) {
        if (QAction* action = actions_.value(id)) action->setChecked(true);
    }
    for (const int id : PluginCheckedCommands(app_.plugins)) {
        if (QAction* action = actions_.value(id)) action->setChecked(true);
    }
    RefreshPanels();
}

void MainWindow::RefreshPanels() {
    if (strip_ == nullptr) return;
    const bool english = IsEnglish();
    const RunState run = desk_->RunStateNow();
    const RunButtons buttons = !desk_->state.runActive ? RunButtons::NoRun
                               : run == RunState::Paused ? RunButtons::Paused
                                                         : RunButtons::Running;
    std::vector<PanelCell> info;
    switch (info_) {
    case InfoGroup::ControlPoint: {
        const Vec3& p = app_.settings.work.controlPoint;
        info = ControlPointCells(Point{p.x, p.y, p.z}, english);
        break;
    }
    case InfoGroup::Offsets: info = OffsetCells(offsets_, english, false); break;
    case InfoGroup::Measurement: info = MeasurementCells(measure_->Data(), english); break;
    case InfoGroup::Work: info = WorkInfoCells(app_.work, english); break;
    }
    strip_->SetCells(StopModeCells(desk_->state.stopMode, english), RunCells(buttons), std::move(info));
}

void MainWindow::OnCommand(int id) {
    if (!desk_) return;
    if (!CanChooseCommand(id, app_.settings, desk_->state)) return;
    info_ = InfoGroupOfCommand(id, info_);
    if (id == cmd::kRadiusOffsets) offsets_ = OffsetTable::DCode;
    if (id == cmd::kLengthOffsets) offsets_ = OffsetTable::HCode;
    if (id == cmd::kWorkCoordinates) offsets_ = OffsetTable::Coordinate;
    const SettingChange change = ApplySettingCommand(app_.settings, desk_->state, id);
    if (change.applied) {
        desk_->ModesChanged();
        SyncPanels();
        if (change.loadSounds) LoadSounds(app_.sounds, app_.locations.startDir, app_.locations.programDir);
        if (id == cmd::kSound && !app_.settings.work.sound) host_.LoopSound(-1);
        if (change.redraw) desk_->Redraw();
        if (change.title) UpdateTitle();
    } else {
        const std::string program = app_.launch.ncProgram;
        OtherCommand(id);
        if (app_.launch.ncProgram != program && desk_->state.ncLoaded) editor_->ProgramSelected();
    }
    RefreshMenuState();
}

void MainWindow::WatchRun() {
    const RunState run = desk_->RunStateNow();
    if (run == RunState::Waiting || (run == RunState::Paused && InLockStep(app_))) waitTimer_->start();
}

void MainWindow::RunProgram(int runMode, bool fast, bool optimize) {
    if (!desk_ || desk_->state.runActive) return;
    desk_->StartRun(runMode, fast, optimize);
    WatchRun();
    UpdateTitle();
    RefreshMenuState();
}

bool MainWindow::OtherCommand(int id) {
    using namespace cmd;
    switch (id) {
    case kExit: close(); return true;
    case kEditor: OpenEditorAtLine(); return true;
    case cmd::kRunReal: desk_->StartRun(morvex::kRunReal, false); break;
    case cmd::kRunSkip: desk_->StartRun(morvex::kRunSkip, false); break;
    case cmd::kRunResult: desk_->StartRun(morvex::kRunResult, false); break;
    case kRunFastSkip: desk_->StartRun(morvex::kRunSkip, true); break;
    case kRunFastResult: desk_->StartRun(morvex::kRunResult, true); break;
    case kToolTipPath: desk_->ShowPath(PathSet::ToolTip); return true;
    case kCommandPointPath: desk_->ShowPath(PathSet::CommandPoint); return true;
    case kHighlightPen: desk_->DrawHighlighted(); return true;
    case kHelp: OpenHelpFile(app_.locations.helpFile, host_); return true;
    default:
        if (!RunFileCommand(id, app_, *desk_, host_, tools_) && !RunWorkCommand(id, app_, *desk_, host_, tools_) &&
            !RunOperationCommand(id, app_, *desk_, host_, tools_) && !RunPluginCommand(id, app_, *desk_, host_)) {
            return false;
        }
        if (toolDialog_ != nullptr) toolDialog_->Refresh(app_.tools);
        UpdateTitle();
        return true;
    }
    WatchRun();
    UpdateTitle();
    return true;
}

void MainWindow::SyncPanels() {
    SaveSettings& save = app_.settings.save;
    if (save.viewPanel != 0 && panel_ == nullptr) {
        panel_ = new CommandPanel(app_.panelCaptions, this);
        PlaceBeside(*panel_, *this, true);
        panel_->pressed = [this](char key) { OnKey(key, false); };
        panel_->closed = [this]() {
            app_.settings.save.viewPanel = 0;
            RefreshMenuState();
        };
    }
    if (panel_ != nullptr) panel_->setVisible(save.viewPanel != 0);
    if (save.viewToolDialog != 0 && toolDialog_ == nullptr) {
        toolDialog_ = new ToolDialog(IsEnglish(), this);
        PlaceBeside(*toolDialog_, *this, false);
        toolDialog_->chosen = [this](int tool) { desk_->ShowTool(tool); };
        toolDialog_->closed = [this]() {
            app_.settings.save.viewToolDialog = 0;
            RefreshMenuState();
        };
    }
    if (toolDialog_ != nullptr) {
        if (save.viewToolDialog != 0) toolDialog_->Refresh(app_.tools);
        toolDialog_->setVisible(save.viewToolDialog != 0);
    }
}

bool MainWindow::ViewLocked() const {
    return desk_->state.runActive && desk_->RunStateNow() == RunState::Running;
}

void MainWindow::SetMouseMode(int mode) {
    if (!MouseModeBuilt(mode)) return;
    desk_->state.mouseMode = mode;
    measure_->ModeChosen(mode);
    zoomOnce_ = false;
    UpdateCursor(false);
}

void MainWindow::UpdateCursor(bool ctrl) {
    if (view_ == nullptr) return;
    int mode = zoomOnce_ ? kMouseZoomRect : desk_->state.mouseMode;
    if (mode == kMouseRotate && ctrl) mode = kMouseZoomDrag;
    view_->setCursor(panToggled_ ? QCursor(Qt::SizeAllCursor) : MouseModeCursor(mode));
}

void MainWindow::ShowMouseMenu(int x, int y) {
    QMenu* menu = BuildMouseMenu(this, desk_->state.mouseMode, IsEnglish(), [this](int mode) { SetMouseMode(mode); });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(view_->mapToGlobal(QPoint(x, y)));
}

void MainWindow::OnMousePress(Qt::MouseButton button, int x, int y, bool ctrl) {
    if (ViewLocked()) return;
    if (button == Qt::RightButton) {
        rightDown_ = QPoint(x, y);
        rightMoved_ = false;
        if (app_.settings.mouse.moveWhileRightButtonDown) BeginDrag(drag_, DragKind::Pan, x, y);
        return;
    }
    if (button != Qt::LeftButton) return;
    const int mode = zoomOnce_ ? kMouseZoomRect : desk_->state.mouseMode;
    if (hand_->Press(mode, x, y)) return;
    if (measure_->Click(mode, x, y, (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) != 0)) return;
    if (mode == kMouseZoomRect) {
        BeginDrag(drag_, DragKind::ZoomRect, x, y);
    } else if (mode == kMouseRotate) {
        BeginDrag(drag_, DragKind::Rotate, x, y);
    }
    UpdateCursor(ctrl);
}

void MainWindow::OnMouseMove(int x, int y, bool ctrl) {
    if (ViewLocked()) return;
    if (hand_->Move(x, y)) return;
    if (std::abs(x - rightDown_.x()) + std::abs(y - rightDown_.y()) >= 3) rightMoved_ = true;
    if (drag_.kind == DragKind::ZoomRect) {
        drag_.lastX = x;
        drag_.lastY = y;
        view_->update();
        return;
    }
    if (drag_.kind != DragKind::None) {
        if (DragTo(drag_, desk_->View(), x, y, ctrl)) desk_->Redraw();
        return;
    }
    // A right click toggled move mode: the pointer pans without a button.
    if (panToggled_) {
        DragState follow = {DragKind::Pan, rightDown_.x(), rightDown_.y(), rightDown_.x(), rightDown_.y()};
        if (DragTo(follow, desk_->View(), x, y, false)) {
            rightDown_ = QPoint(follow.lastX, follow.lastY);
            desk_->Redraw();
        }
    }
}

void MainWindow::OnMouseRelease(Qt::MouseButton button, int x, int y) {
    if (button == Qt::RightButton) {
        const bool wasPan = drag_.kind == DragKind::Pan;
        if (wasPan) EndDrag(drag_, desk_->View(), x, y);
        if (ViewLocked()) return;
        if (app_.settings.mouse.moveWhileRightButtonDown) {
            // A right click that did not move opens the mouse-mode menu.
            if (!rightMoved_) ShowMouseMenu(x, y);
        } else if ((QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) != 0) {
            ShowMouseMenu(x, y);
        } else {
            panToggled_ = !panToggled_;
            rightDown_ = QPoint(x, y);
            UpdateCursor(false);
        }
        return;
    }
    if (button == Qt::LeftButton && hand_->Release()) return;
    if (button != Qt::LeftButton || drag_.kind == DragKind::None) return;
    const bool zoom = drag_.kind == DragKind::ZoomRect;
    const bool changed = EndDrag(drag_, desk_->View(), x, y);
    if (zoom) {
        zoomOnce_ = false;
        UpdateCursor(false);
    }
    if (changed) {
        desk_->Redraw();
    } else if (zoom) {
        view_->update();  // the rectangle's outline goes
    }
    UpdateTitle();
}

bool MainWindow::OnKey(int key, bool ctrl) {
    if (!desk_) return false;
    const RunState run = desk_->RunStateNow();
    // While a program cuts, the run reads the keys itself.
    if (desk_->state.runActive && run == RunState::Running) return false;
    if (desk_->state.runActive && (run == RunState::Paused || run == RunState::Waiting)) {
        if (key == 'E') {
            OpenEditorAtLine();  // the line the run stopped at
            return true;
        }
        if (key == 'G' && run == RunState::Paused) {
            if (InLockStep(app_)) (void)GroupContinueKey(app_);  // the whole group goes on
            desk_->Continue();
        } else if (key == app_.settings.work.escapeKey) {
            if (InLockStep(app_)) GroupStopKey(app_);  // and the group stops
            desk_->Escape();
        } else {
            return false;
        }
        WatchRun();
        UpdateTitle();
        RefreshMenuState();
        return true;
    }
    using namespace cmd;
    const bool nc = desk_->state.ncLoaded;
    switch (key) {
    case 112: OnCommand(kHelp); return true;  // F1
    case 113:  // F2 (Ctrl+F2 the report template), F3, F4: the definition files in their editors
    case 114:
    case 115:
        if (!OpenDefinitionEditor(key, ctrl, app_, host_)) ShowError(host_, Msg(MsgId::EditorNotStarted));
        return true;
    case 116: if (nc) OnCommand(cmd::kRunResult); return true;  // F5
    case 117: if (nc) OnCommand(kToolTipPath); return true;    // F6
    case 118: if (nc) OnCommand(kRunFastResult); return true;  // F7
    case 119:  // F8, F9: the first two simulation modules
    case 120:
        if (nc) OnCommand(cmd::kPluginSimFirst + key - 119);
        return true;
    case 'E':
        if (ctrl) break;
        if (nc) OnCommand(kEditor);
        return true;
    case 'Y': OnCommand(ColourModeSwitch(app_.settings)); return true;
    case 'N': OnCommand(kOptimizeDrawing); return true;
    case 'H': OnCommand(kMeshMode); return true;
    case 'X':
        if (ctrl) break;
        if (!StartSelfInstance(host_, app_.settings.editor.selfOption,
                               desk_->state.ncLoaded ? app_.launch.ncProgram : std::string(),
                               desk_->Run() ? desk_->Run()->interp.reader.programLine : 1)) {
            ShowText(host_, Msg(MsgId::SelfNotStarted));
        }
        return true;
    case 'L':
    case kKeyPlus:
    case kKeyMinus:
        if (ctrl) break;
        DifferenceKey(key, app_, *desk_, host_);
        UpdateTitle();
        return true;
    default: break;
    }
    if (key == 'Z' && !ctrl) {
        zoomOnce_ = true;
        UpdateCursor(false);
        return true;
    }
    if (key == 17) UpdateCursor(true);  // Ctrl turns drag-rotate into drag-zoom
    if (ctrl) {
        if (key == 'P') {
            if (app_.work.workState > 0 && !QuickView(app_, *desk_, host_)) {
                ShowError(host_, std::string(Msg(MsgId::ImageNotWritten)) + JoinPath(app_.locations.startDir, "tmp.png"));
            }
            return true;
        }
        if (key == 'C') return CopyView(app_, *desk_, host_);
        return false;
    }
    int ascii = key;
    if (key >= 96 && key <= 105) ascii = '0' + (key - 96);  // the keypad's digits
    const QPoint at = view_ != nullptr ? view_->mapFromGlobal(QCursor::pos()) : QPoint();
    if (ascii >= 0 && ascii < 128 && desk_->ViewKey(static_cast<char>(ascii), at.x(), at.y())) {
        UpdateTitle();
        return true;
    }
    return false;
}

void MainWindow::OpenEditorAtLine() {
    const CuttingRun* run = desk_->state.runActive ? desk_->Run() : nullptr;
    const int line = run != nullptr ? std::max(1, run->interp.reader.programLine) : 1;
    if (!editor_->Open(line)) ShowError(host_, Msg(MsgId::EditorNotStarted));
}

void MainWindow::CheckDefinitionsSoon() {
    if (checkQueued_) return;
    checkQueued_ = true;
    QTimer::singleShot(0, this, [this]() {
        checkQueued_ = false;
        CheckDefinitions();
    });
}

void MainWindow::CheckDefinitions() {
    if (destroyed_) return;
    // A running program keeps the definitions it started with; the check
    // follows once the run has ended.
    if (desk_ && desk_->state.runActive) {
        checkPending_ = true;
        return;
    }
    checkPending_ = false;
    DefinitionReload reload;
    reload.read = [this](DefinitionKind kind) { ReloadDefinitionFile(app_, host_, kind); };
    reload.refresh = [this]() {
        if (toolDialog_ != nullptr) toolDialog_->Refresh(app_.tools);
        UpdateTitle();
        if (view_ != nullptr) view_->update();
    };
    CheckDefinitionFiles(app_.definitions, host_, reload, app_.settings.work.sound,
                         app_.locations.startDir);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A program being cut ends with the window (after its current motion).
    if (desk_) desk_->Abort();
    if (!destroyed_) {
        destroyed_ = true;
        WindowPlacement placement;
        const QRect normal = normalGeometry();
        placement.left = normal.left();
        placement.top = normal.top();
        placement.right = normal.left() + normal.width();
        placement.bottom = normal.top() + normal.height();
        placement.show = isMaximized() ? 3 : 1;
        placement.minimised = isMinimized();
        HandleWindowDestroy(app_, host_, placement);
    }
    event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            CheckDefinitionsSoon();
        } else {
            // Keys released while another window has the focus never reach
            // this one: forget them rather than keep them down for good.
            host_.ClearKeys();
        }
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Alt+"?" and Alt+"/": the version.
    if ((event->modifiers() & Qt::AltModifier) != 0 &&
        (event->key() == Qt::Key_Question || event->key() == Qt::Key_Slash)) {
        OnCommand(cmd::kVersion);
        return;
    }
    const int key = VirtualKeyOf(event->key());
    host_.SetKeyDown(key, true);
    if (!event->isAutoRepeat() && OnKey(key, (event->modifiers() & Qt::ControlModifier) != 0)) return;
    QMainWindow::keyPressEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !desk_->state.runActive) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
    if (paths.empty() || desk_->state.runActive) return;
    event->acceptProposedAction();
    const ProgressScope progress(tools_);
    const std::string program = app_.launch.ncProgram;
    DropFiles(paths, app_, *desk_, host_, progress.get());
    if (app_.launch.ncProgram != program && desk_->state.ncLoaded) editor_->ProgramSelected();
    if (toolDialog_ != nullptr) toolDialog_->Refresh(app_.tools);
    UpdateTitle();
    RefreshMenuState();
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    // Auto-repeat sends a release before each repeated press: the key is still held.
    if (!event->isAutoRepeat()) host_.SetKeyDown(VirtualKeyOf(event->key()), false);
    if (!event->isAutoRepeat() && event->key() == Qt::Key_Control) UpdateCursor(false);
    QMainWindow::keyReleaseEvent(event);
}

}  // namespace morvex
