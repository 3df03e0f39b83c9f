// A host for tests: records every message and sound, answers questions with
// a preset answer, reports the keys a test sets as down.
#pragma once

#include <functional>
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
    // Programs started: the program followed by its arguments. Watched ones
    // stay in `running` until the test ends them (EndProgram).
    std::vector<std::vector<std::string>> started;
    std::vector<std::function<void()>> running;
    bool programsStart = true;  // what StartProgram answers
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override {
        std::vector<std::string> call{program};
        call.insert(call.end(), args.begin(), args.end());
        started.push_back(call);
        return programsStart;
    }
    bool StartProgramWatched(const std::string& program, const std::vector<std::string>& args,
                             std::function<void()> ended) override {
        if (!StartProgram(program, args)) return false;
        running.push_back(std::move(ended));
        return true;
    }
    // Ends the oldest watched program still running.
    void EndProgram() {
        if (running.empty()) return;
        std::function<void()> ended = std::move(running.front());
        running.erase(running.begin());
        if (ended) ended();
    }
    bool IsUnattended() const override { return unattended; }
};

}  // namespace morvex::test
