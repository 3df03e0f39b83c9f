// The desktop host: Qt message boxes captioned "MORVEX2000", the key state
// kept from the main window's key events, event processing for long loops,
// and the desktop's viewers and programs.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/host.h"
#include "platform/sound_player.h"

class QWidget;

namespace morvex {

// Virtual-key code of a Qt key (Ctrl 17, Esc 27, space 32, pause 19, break 3,
// letters and digits as their upper-case ASCII, F1.. 112..), or 0 when there
// is none.
int VirtualKeyOf(int qtKey);

class QtHost final : public Host {
public:
    QWidget* owner = nullptr;
    std::function<void()> redraw;
    std::function<void(const std::string&)> status;
    // The bytes of a sound slot, null while it is silent (sound off, the
    // table not loaded, no file): the host then plays nothing.
    std::function<const std::vector<std::uint8_t>*(int slot)> soundData;

    MessageAnswer ShowMessage(const MessageRequest& request) override;
    bool IsKeyDown(int virtualKey) override;
    void PumpMessages() override;
    void RequestRedraw() override;
    void PlaySound(int slot) override;
    void LoopSound(int slot) override;
    bool OpenWithViewer(const std::string& path) override;
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;
    // A watched program runs with no standard streams; one that has not
    // ended after kWatchedProgramLimitMs is killed and reported as ended.
    bool StartProgramWatched(const std::string& program, const std::vector<std::string>& args,
                             std::function<void()> ended) override;
    static constexpr int kWatchedProgramLimitMs = 5000;
    bool IsUnattended() const override { return false; }
    void ShowStatus(const std::string& text) override {
        if (status) status(text);
    }

    // Called by the main window's key press and release handlers, and to
    // forget every key when the window loses the focus.
    void SetKeyDown(int virtualKey, bool down);
    void ClearKeys();

private:
    std::array<bool, 256> keyDown_{};
    std::array<bool, 256> pressed_{};  // pressed since the last question: a tap between two pumps counts
    // The sound player, started with the first sound that has bytes.
    SoundPlayer* Player();
    std::unique_ptr<SoundPlayer> player_;
};

}  // namespace morvex
