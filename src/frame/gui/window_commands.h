// The window's commands that ask for a file or act on the picture: NC
// selection (with the optimum-work question), work files, the definition
// files, and the picture saved, printed, shown or copied.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/progress.h"
#include "frame/app.h"
#include "frame/gui/picture_output.h"

class QDialog;
class QWidget;

namespace morvex {

class Desk;
class Host;

enum class FileKind { NcProgram, Work, Image, ToolTable, Controller, Machine };

// Asks for a file to open or to save; "" when cancelled.
using ChooseFile = std::function<std::string(FileKind kind, bool save, const std::string& proposal)>;
// The window's file dialogs; the work dialogs list the kinds of the load
// and save modules of `plugins` after the built-in ones.
ChooseFile FileDialogOf(QWidget* parent, const PluginSet* plugins = nullptr);

struct WindowTools {
    ChooseFile choose;
    AskPrintSettings askPrint;
    PrintState print;
    int screenDpi = 96;
    QWidget* parent = nullptr;
    // Runs a modal dialog: QDialog::Accepted or Rejected (tests fill it in instead).
    std::function<int(QDialog& dialog)> runDialog;
    // The pen whose colour is to be stripped (1..8), 0 when cancelled.
    std::function<int()> askPen;
    // A long operation's caption and progress (0..1000) on the status
    // line and the bar; a permille below 0 clears both.
    std::function<void(const std::string& caption, int permille)> progress;
};

// The progress of one operation shown through tools.progress, cleared
// when the scope ends.
class ProgressScope {
public:
    explicit ProgressScope(const WindowTools& tools);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    const Progress* get() const { return &progress_; }

private:
    std::function<void(const std::string&, int)> show_;
    std::string caption_;
    int shown_ = -1;
    Progress progress_;
};

// Carries out command `id` when it is one of these; false for other commands.
bool RunFileCommand(int id, App& app, Desk& desk, Host& host, WindowTools& tools);

// The dialog commands of the work: pitch, "Define Work", the specified
// control point, the removed volume, the paint commands and the version.
bool RunWorkCommand(int id, App& app, Desk& desk, Host& host, WindowTools& tools);

// F2 (the tool table and its arbor file), F3 (the controller), F4 (the
// machine) and Ctrl+F2 (the report template) in the configured editors;
// the definition check reads a changed file again.
bool OpenDefinitionEditor(int functionKey, bool ctrl, App& app, Host& host);

// Files dropped on the window, taken by their endings as on the command
// line (a link resolved first): definition files are read, a work file is
// loaded, anything else is the NC program.
void DropFiles(const std::vector<std::string>& paths, App& app, Desk& desk, Host& host,
               const Progress* progress = nullptr);

// The picture of the view, drawn in detail first when the view is thinned
// out and DISPLAY GUIDANCE says so.
QImage PreparePicture(App& app, Desk& desk, Host& host);

// Ctrl+P: "tmp.png" in the start folder, opened in the image viewer; Ctrl+C:
// the picture to the clipboard (not while a run is active).
bool QuickView(App& app, Desk& desk, Host& host);
bool CopyView(App& app, Desk& desk, Host& host);

}  // namespace morvex
