// The host of unattended runs: no window, no keys; messages go to the batch
// log and to stderr; questions are answered No.
#pragma once

#include <string>

#include "platform/host.h"

namespace morvex {

class UnattendedHost final : public Host {
public:
    std::string logDir;  // Target_LOGdir
    std::string ncName;  // file title of the current NC program

    MessageAnswer ShowMessage(const MessageRequest& request) override;
    bool IsKeyDown(int) override { return false; }
    void PumpMessages() override {}
    void RequestRedraw() override {}
    void PlaySound(int) override {}
    bool OpenWithViewer(const std::string&) override { return false; }
    // Nothing is started without a user to see it.
    bool StartProgram(const std::string&, const std::vector<std::string>&) override { return false; }
    bool IsUnattended() const override { return true; }
    void UseBatchLog(const std::string& dir, const std::string& name) override {
        logDir = dir;
        ncName = name;
    }
};

}  // namespace morvex
