// Unattended host: every message is logged, none waits for an answer.
#include "platform/unattended_host.h"

#include <cstdio>

#include "platform/batch_log.h"

namespace morvex {

MessageAnswer UnattendedHost::ShowMessage(const MessageRequest& request) {
    std::string text = request.text;
    if (text.empty() || text.back() != '\n') text += '\n';
    std::fprintf(stderr, "morvex: %s", text.c_str());
    if (!AppendBatchLog(logDir, ncName, text)) {
        std::fprintf(stderr, "morvex: the batch log in \"%s\" cannot be written\n", logDir.c_str());
    }
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

}  // namespace morvex
