// Desktop host on Qt Widgets.
#include "platform/qt/qt_host.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace morvex {

int VirtualKeyOf(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Control: return 17;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_Pause: return 19;
    case Qt::Key_Cancel: return 3;  // Ctrl+Pause, the break key
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    default: return 0;
    }
}

MessageAnswer QtHost::ShowMessage(const MessageRequest& request) {
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(QString::fromStdString(request.text));
    switch (request.kind) {
    case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageKind::Question: box.setIcon(QMessageBox::Question); break;
    default: box.setIcon(QMessageBox::Information); break;
    }
    if (request.topMost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (request.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

bool QtHost::IsKeyDown(int virtualKey) {
    // Modifier keys are asked of the window system, which knows them even
    // when they changed while another window had the focus; they count only
    // while this program's window is in front.
    const bool inFront = owner == nullptr || owner->isActiveWindow();
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    switch (virtualKey) {
    case 16: return inFront && mods.testFlag(Qt::ShiftModifier);
    case 17: return inFront && mods.testFlag(Qt::ControlModifier);
    case 18: return inFront && mods.testFlag(Qt::AltModifier);
    default: break;
    }
    if (virtualKey < 0 || virtualKey >= static_cast<int>(keyDown_.size())) return false;
    const bool tapped = pressed_[virtualKey];
    pressed_[virtualKey] = false;
    return keyDown_[virtualKey] || tapped;
}

void QtHost::ClearKeys() {
    keyDown_.fill(false);
    pressed_.fill(false);
}

void QtHost::SetKeyDown(int virtualKey, bool down) {
    if (virtualKey <= 0 || virtualKey >= static_cast<int>(keyDown_.size())) return;
    keyDown_[virtualKey] = down;
    if (down) pressed_[virtualKey] = true;
}

void QtHost::PumpMessages() { QCoreApplication::processEvents(); }

void QtHost::RequestRedraw() {
    if (redraw) redraw();
}

SoundPlayer* QtHost::Player() {
    if (!player_) player_ = std::make_unique<SoundPlayer>(FindSoundPlayer());
    return player_.get();
}

void QtHost::PlaySound(int slot) {
    const std::vector<std::uint8_t>* sound = soundData ? soundData(slot) : nullptr;
    if (sound != nullptr && !sound->empty()) Player()->Play(*sound);
}

void QtHost::LoopSound(int slot) {
    const std::vector<std::uint8_t>* sound = slot >= 0 && soundData ? soundData(slot) : nullptr;
    if (sound != nullptr && !sound->empty()) {
        Player()->Loop(*sound);
    } else if (player_) {
        player_->Stop();  // a silent slot or a stop ends the loop
    }
}

bool QtHost::OpenWithViewer(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtHost::StartProgram(const std::string& program, const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program), list);
}

bool QtHost::StartProgramWatched(const std::string& program, const std::vector<std::string>& args,
                                 std::function<void()> ended) {
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    auto* process = new QProcess();
    process->setProgram(QString::fromStdString(program));
    process->setArguments(list);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    // A missing program fails at once; a started one is not waited for.
    if (!process->waitForStarted(2000)) {
        delete process;
        return false;
    }
    auto reported = std::make_shared<bool>(false);
    QObject::connect(process, &QProcess::finished, process, [process, reported, ended = std::move(ended)]() {
        if (*reported) return;
        *reported = true;
        process->deleteLater();
        if (ended) ended();
    });
    QTimer::singleShot(kWatchedProgramLimitMs, process, [process]() { process->kill(); });
    return true;
}

}  // namespace morvex
