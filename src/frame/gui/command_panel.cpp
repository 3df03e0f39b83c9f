// Command panel.
#include "frame/gui/command_panel.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QPushButton>

namespace morvex {
namespace {

// The Japanese captions: the title, then one per key of kPanelKeys.
constexpr const char* kJapanese[21] = {
    "コマンド", "初期(&R)", "最大(&F)", "ｽﾞｰﾑ(&Z)", "拡大(&W)", "縮小(&S)", "第１(&1)",
    "第２(&2)", "第３(&3)", "第４(&4)", "-15 (&5)", "+15 (&6)", "後ろ(&7)", " XZ (&8)",
    " YZ (&9)", " XY (&0)", "上側(&U)", "下側(&D)", "描画(&P)", "戻す(&C)", "保存(&B)",
};

}  // namespace

CommandPanel::CommandPanel(const PanelCaptions& captions, QWidget* parent) : QDialog(parent, Qt::Tool) {
    auto caption = [&](int i) {
        const std::string& text = captions.text[static_cast<std::size_t>(i)];
        return QString::fromUtf8(captions.fromMessageFile && !text.empty() ? text.c_str() : kJapanese[i]);
    };
    setWindowTitle(caption(0));
    setModal(false);
    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    for (int i = 0; i < 20; ++i) {
        auto* button = new QPushButton(caption(i + 1), this);
        button->setFocusPolicy(Qt::NoFocus);  // the keys stay with the main window
        button->setObjectName(QStringLiteral("key-%1").arg(QLatin1Char(kPanelKeys[i])));
        const char key = kPanelKeys[i];
        connect(button, &QPushButton::clicked, this, [this, key]() {
            if (pressed) pressed(key);
        });
        grid->addWidget(button, i / 4, i % 4);
    }
}

void CommandPanel::closeEvent(QCloseEvent* event) {
    if (closed) closed();
    event->accept();
}

void CommandPanel::reject() {
    if (closed) closed();
    QDialog::reject();
}

}  // namespace morvex
