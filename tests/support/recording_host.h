// A host for tests: records every message and sound, answers questions with
// a preset answer, reports the keys a test sets as down.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/host.h"

namespace morvex::test {

class RecordingHost final : public Host {
public:
    std::vector<std::string> messages;
    std::vector<std::string> captions;
    std::vector<MessageKind> kinds;
    std::vector<int> sounds;
    std::vector<std::string> opened;
    std::set<int> keysDown;
    int pumps = 0;
    int redraws = 0;
    MessageAnswer answer = MessageAnswer::Yes;
    bool unattended = false;
    bool viewerOpens = true;  // what OpenWithViewer answers

    MessageAnswer ShowMessage(const MessageRequest& request) override {
        messages.push_back(request.text);
        captions.push_back(request.caption);
        kinds.push_back(request.kind);
        return request.buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
    }
    bool IsKeyDown(int key) override { return keysDown.count(key) != 0; }
    void PumpMessages() override { ++pumps; }
    void RequestRedraw() override { ++redraws; }
    void PlaySound(int slot) override { sounds.push_back(slot); }
    bool OpenWithViewer(const std::string& path) override {
        opened.push_back(path);
        return viewerOpens;
    }
    bool StartProgram(const std::string&, const std::vector<std::string>&) override { return true; }
    bool IsUnattended() const override { return unattended; }
};

}  // namespace morvex::test
