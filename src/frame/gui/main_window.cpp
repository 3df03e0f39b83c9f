// Main window.
#include "frame/gui/main_window.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include "frame/definition_files.h"
#include "frame/gui/menu_bar.h"
#include "frame/gui/work_view.h"
#include "frame/menu_state.h"
#include "frame/startup.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "view/offscreen_bitmap.h"

namespace morvex {

MainWindow::MainWindow(App& app, QtHost& host) : app_(app), host_(host) {
    host_.owner = this;
    host_.redraw = [this]() {
        if (centralWidget()) centralWidget()->update();
    };
}

MainWindow::~MainWindow() {
    host_.owner = nullptr;
    host_.redraw = nullptr;
    host_.ClearKeys();
}

void MainWindow::Create() {
    PrepareMenu(app_);
    actions_ = BuildMenuBar(app_.menu, *menuBar());
    for (QAction* action : std::as_const(actions_)) {
        const int id = action->data().toInt();
        connect(action, &QAction::triggered, this, [this, id]() { OnCommand(id); });
    }
    RefreshMenuState();

    QSize desktop(1920, 1080);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        desktop = screen->virtualGeometry().size();
    }
    bitmap_ = CreateOffscreenBitmap(desktop.width(), desktop.height(),
                                    app_.settings.colors[ColorKey::Background]);
    auto* view = new WorkView(bitmap_, this);
    view->afterPaint = [this]() { CheckDefinitionsSoon(); };
    setCentralWidget(view);
    resize(1024, 768);
    UpdateTitle();
    CheckDefinitions();
}

void MainWindow::ShowAtStart() {
    const SaveSettings& save = app_.settings.save;
    const bool placed = save.display == 1 || app_.launch.geometry.has_value();
    if (placed && save.width > 0 && save.height > 0) {
        // A saved or given placement is kept on the desktop, so that a
        // window off every screen or larger than all of them never persists.
        QRect desk(0, 0, 1920, 1080);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            desk = screen->availableVirtualGeometry();
        }
        constexpr int kMinSide = 100;
        const int width = std::clamp(save.width, kMinSide, std::max(kMinSide, desk.width()));
        const int height = std::clamp(save.height, kMinSide, std::max(kMinSide, desk.height()));
        const int x = std::clamp(save.x, desk.left(), std::max(desk.left(), desk.right() - kMinSide));
        const int y = std::clamp(save.y, desk.top(), std::max(desk.top(), desk.bottom() - kMinSide));
        setGeometry(x, y, width, height);
    }
    if (app_.launch.closeAfterMs >= 0) {
        QTimer::singleShot(app_.launch.closeAfterMs, this, &QWidget::close);
    }
    const int show = placed ? save.show : 1;
    if (app_.launch.minimised || show == 2 || show == 6 || show == 7) {
        showMinimized();
    } else if (show == 3) {
        showMaximized();
    } else {
        this->show();  // a saved hidden state would leave no window to close
    }
}

void MainWindow::UpdateTitle() {
    title_.ncProgram = app_.launch.ncProgramOpened ? app_.launch.ncProgram : std::string();
    // The work file appears once a work has been loaded from it.
    title_.workFile.clear();
    title_.toolTable = app_.settings.table.toolTable;
    title_.controllerTable = app_.settings.table.controllerTable;
    title_.machineTable = app_.settings.table.machineTable;
    title_.colorByDirection = app_.settings.display.colorByDirection;
    setWindowTitle(QString::fromStdString(BuildWindowTitle(title_)));
}

void MainWindow::RefreshMenuState() {
    MenuStateInput state;
    state.ncLoaded = !title_.ncProgram.empty();
    state.workExists = title_.workExists;
    for (QAction* action : std::as_const(actions_)) {
        const int id = action->data().toInt();
        action->setEnabled(IsCommandEnabled(id, state));
        if (action->isCheckable()) action->setChecked(false);
    }
    for (const int id : CheckedCommands(app_.settings, state)) {
        if (QAction* action = actions_.value(id)) action->setChecked(true);
    }
}

void MainWindow::OnCommand(int id) {
    if (id == cmd::kExit) close();
    RefreshMenuState();
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
    DefinitionReload reload;
    reload.read = [this](DefinitionKind kind) { ReloadDefinitionFile(app_, host_, kind); };
    reload.refresh = [this]() {
        UpdateTitle();
        if (centralWidget()) centralWidget()->update();
    };
    CheckDefinitionFiles(app_.definitions, host_, reload, app_.settings.work.sound,
                         app_.locations.startDir);
}

void MainWindow::closeEvent(QCloseEvent* event) {
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
    host_.SetKeyDown(VirtualKeyOf(event->key()), true);
    QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    // Auto-repeat sends a release before each repeated press: the key is still held.
    if (!event->isAutoRepeat()) host_.SetKeyDown(VirtualKeyOf(event->key()), false);
    QMainWindow::keyReleaseEvent(event);
}

}  // namespace morvex
