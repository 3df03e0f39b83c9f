// Opening the user guide.
#include "frame/help_file.h"

#include <filesystem>
#include <system_error>

#include "base/messages.h"
#include "platform/host.h"

namespace morvex {

bool OpenHelpFile(const std::string& path, Host& host) {
    MessageRequest request;
    request.kind = MessageKind::Warning;
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        request.text = std::string(Msg(MsgId::HelpNotFound)) + path;
        host.ShowMessage(request);
        return false;
    }
    if (host.OpenWithViewer(path)) return true;
    // A desktop without a browser, or without the launcher that finds one.
    request.text = std::string(Msg(MsgId::HelpNotOpened)) + path;
    host.ShowMessage(request);
    return false;
}

}  // namespace morvex
