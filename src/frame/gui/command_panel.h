// The command panel: a modeless window of 20 buttons, each sending its view
// key to the main window, with the captions of the message file in English.
#pragma once

#include <QDialog>
#include <functional>

#include "frame/message_file.h"

namespace morvex {

// The keys of the buttons in panel order.
inline constexpr char kPanelKeys[] = "RFZWS1234567890UDPCB";

class CommandPanel final : public QDialog {
    Q_OBJECT
public:
    CommandPanel(const PanelCaptions& captions, QWidget* parent);
    std::function<void(char key)> pressed;
    std::function<void()> closed;  // the user closed the panel

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // the escape key hides the window as closing does
};

}  // namespace morvex
