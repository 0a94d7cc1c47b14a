// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

#include <cstdint>
#include <functional>

class QPushButton;

namespace ui {

// The answer box, txtAnswer: every character typed reaches the window's
// key-press notice as its code first (setting it to 0 discards the key); what
// arrives other than by typing (pasting) is reduced to its digits, at most
// four; Enter clicks the default button while that is enabled. Tab and
// Shift+Tab move the focus and never reach the notice.
class AnswerBox : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int MaxLength = 4;

    explicit AnswerBox(QWidget *parent = nullptr);

    using KeyPressHandler = std::function<void(std::int16_t &keyAscii)>;
    void setKeyPressHandler(KeyPressHandler handler) { m_keyPress = std::move(handler); }
    void setDefaultButton(QPushButton *button) { m_defaultButton = button; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    KeyPressHandler m_keyPress;
    QPushButton *m_defaultButton = nullptr;
};

} // namespace ui
