// The main window: the menu bar, the work view showing the off-screen
// bitmap, the title, the definition-file check on repaint and activation,
// and the destroy handling that writes the display settings back.
#pragma once

#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <memory>

#include "frame/app.h"
#include "frame/gui/window_commands.h"
#include "frame/window_title.h"
#include "view/mouse_drag.h"
#include "view/panels.h"

class QAction;
class QLabel;
class QProgressBar;
class QTimer;

namespace morvex {

class CommandPanel;
class EditorFollow;
class PanelStrip;
class Desk;
class HandToolInput;
class MeasureInput;
class QtHost;
class ToolDialog;
class WorkView;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(App& app, QtHost& host);
    ~MainWindow() override;

    // Window creation steps: menu, check marks, bitmap, first definition check.
    void Create();
    // Shows the window with its saved or command-line placement.
    void ShowAtStart();
    void UpdateTitle();
    // The launch work was defined or loaded after the window opened.
    void LaunchWorkReady();

    const QHash<int, QAction*>& Actions() const { return actions_; }
    // The picture the view shows.
    QImage Picture() const;
    Desk& Work() { return *desk_; }
    QString StatusText() const;
    int ProgressValue() const;  // -1 while the bar is hidden
    QString ProgressText() const;  // what the bar shows; empty while it is hidden
    // The file chooser and print dialog the commands use (tests put their own in).
    WindowTools& Tools() { return tools_; }

    // A command of the menu, a key or the command panel.
    void OnCommand(int id);
    // A run of the program in a run mode (the fast version, with the
    // optimised outputs), as the run commands start it but without a dialog.
    void RunProgram(int runMode, bool fast, bool optimize);
    // Starts the timer of a run that waits for its wait file or its group.
    void WatchRun();
    // A key pressed in the window (virtual-key code); true when it did something.
    bool OnKey(int virtualKey, bool ctrl);
    // The mouse over the view (view coordinates).
    void OnMousePress(Qt::MouseButton button, int x, int y, bool ctrl);
    void OnMouseMove(int x, int y, bool ctrl);
    void OnMouseRelease(Qt::MouseButton button, int x, int y);
    // The mouse mode of the context menu (11 rotate, 14 zoom rectangle, ...).
    void SetMouseMode(int mode);
    bool PanToggled() const { return panToggled_; }
    CommandPanel* Panel() const { return panel_; }
    MeasureInput& Measuring() { return *measure_; }
    ToolDialog* ToolList() const { return toolDialog_; }
    PanelStrip* Strip() const { return strip_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void RefreshMenuState();
    bool OtherCommand(int id);
    bool ViewLocked() const;
    void SyncPanels();
    void RefreshPanels();  // the stop-mode, run and info cells under the view  // the command panel and the tool list shown as VIEW_P and VIEW_T say  // a program is being cut: the view stays as it is
    void ShowMouseMenu(int x, int y);
    void UpdateCursor(bool ctrl);
    void CheckDefinitionsSoon();
    void OpenEditorAtLine();  // E: at the line of the open run, else at the first
    void CheckDefinitions();

    App& app_;
    QtHost& host_;
    QHash<int, QAction*> actions_;
    std::unique_ptr<Desk> desk_;
    std::unique_ptr<HandToolInput> hand_;  // the hand tools' strokes
    std::unique_ptr<MeasureInput> measure_;  // the measuring mouse modes
    WindowTools tools_;
    WorkView* view_ = nullptr;
    QTimer* waitTimer_ = nullptr;
    EditorFollow* editor_ = nullptr;
    QTimer* followTimer_ = nullptr;  // MAPFILE: following another instance's run
    bool followed_ = false;
    DragState drag_;
    bool panToggled_ = false;  // MOVE SWITCH RBUTTONCLICK: the pointer pans until the next right click
    bool zoomOnce_ = false;    // Z: the next drag is a zoom rectangle
    QPoint rightDown_;
    bool rightMoved_ = false;
    CommandPanel* panel_ = nullptr;
    PanelStrip* strip_ = nullptr;
    InfoGroup info_ = InfoGroup::Work;
    OffsetTable offsets_ = OffsetTable::DCode;
    ToolDialog* toolDialog_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    TitleState title_;
    bool checkQueued_ = false;
    bool checkPending_ = false;  // a definition check waits for the run to end
    bool destroyed_ = false;
};

}  // namespace morvex
