// NC program look-up.
#include "frame/nc_lookup.h"

#include <array>

#include "base/messages.h"
#include "base/paths.h"
#include "platform/host.h"

namespace morvex {
namespace {

// The name and its forms with the program ending appended; on this
// platform's case-sensitive file systems both spellings are tried.
std::array<std::string, 3> EndingForms(const std::string& name) {
    return {name, name + ".NC", name + ".nc"};
}

bool IsRelative(const std::string& name) { return !name.empty() && name[0] != '/'; }

}  // namespace

NcLookup FindNcProgram(const std::string& name, const std::string& ncDir, const std::string& programDir) {
    NcLookup found;
    if (name.empty()) return found;
    for (const std::string& form : EndingForms(name)) {
        if (CanOpenForReading(form)) {
            found.path = form;
            return found;
        }
        if (IsRelative(form) && !ncDir.empty()) {
            const std::string inNcDir = JoinPath(ncDir, form);
            if (CanOpenForReading(inNcDir)) {
                found.path = inNcDir;
                return found;
            }
        }
    }
    if (programDir.empty()) return found;
    for (const std::string& form : EndingForms(FileTitle(name))) {
        const std::string beside = JoinPath(programDir, form);
        if (CanOpenForReading(beside)) {
            found.path = beside;
            found.inProgramDir = true;
            return found;
        }
    }
    return found;
}

NcResolve ResolveNcProgram(App& app, Host& host) {
    LaunchOptions& launch = app.launch;
    if (launch.ncProgram.empty()) return NcResolve::NotNamed;
    const NcLookup found = FindNcProgram(launch.ncProgram, app.settings.nc.ncDir, app.locations.programDir);
    bool use = !found.path.empty();
    if (use && found.inProgramDir) {
        MessageRequest ask;
        ask.text = std::string(Msg(MsgId::ProgramSideFolder)) + "\n" + found.path;
        ask.buttons = MessageButtons::YesNo;
        ask.kind = MessageKind::Question;
        use = host.ShowMessage(ask) == MessageAnswer::Yes;
        if (!use) {
            // Declined: nothing is loaded and no automatic run starts in
            // the window. An unattended run (which declines) keeps its mode
            // so that it reports the program missing and ends with status 2.
            launch.ncProgramOpened = false;
            if (!launch.minimised) launch.autoRunMode = 0;
            return NcResolve::Declined;
        }
    }
    if (use) {
        launch.ncProgram = found.path;
        launch.ncProgramOpened = true;
        return NcResolve::Ready;
    }
    launch.ncProgramOpened = false;
    // An unattended run keeps its mode so that it reports the missing
    // program in the batch log and ends with its status.
    const bool otherWork = !launch.workFile.empty() || launch.reportMode != 0 || !launch.outputWork.empty();
    if (!otherWork && !launch.minimised) launch.autoRunMode = 0;
    return NcResolve::Missing;
}

}  // namespace morvex
