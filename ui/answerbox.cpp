// SPDX-License-Identifier: GPL-3.0-or-later
#include "answerbox.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

namespace ui {

namespace {
// Whatever reaches the box other than by typing (pasting with Ctrl+V, the
// context menu or a middle click) keeps only its digits, at most four.
class DigitsOnly : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        QString digits;
        int newPos = 0;
        for (qsizetype i = 0; i < input.size() && digits.size() < AnswerBox::MaxLength; ++i) {
            if (input[i] >= u'0' && input[i] <= u'9') {
                digits += input[i];
                if (i < pos)
                    ++newPos;
            }
        }
        input = digits;
        pos = std::min(newPos, int(digits.size()));
        return Acceptable;
    }
};
} // namespace

AnswerBox::AnswerBox(QWidget *parent) : QLineEdit(parent)
{
    // The validator alone keeps the limit: a maximum length on the box would
    // cut a pasted text before its letters were dropped.
    setValidator(new DigitsOnly(this));
}

void AnswerBox::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_defaultButton && m_defaultButton->isEnabled()) {
        m_defaultButton->click();
        return;
    }
    const QString text = event->text();
    // Keys that type no character (arrows, Delete, Home, End) only edit.
    if (text.size() == 1 && event->key() != Qt::Key_Delete && m_keyPress) {
        // As a character code, so keyboard layouts and the keypad agree.
        const char16_t typed = text.front().unicode();
        std::int16_t code = typed > 0x7FFF ? std::int16_t(0x7FFF) : std::int16_t(typed);
        m_keyPress(code);
        // Enter has been dealt with by the handler; the box has no use for it.
        if (code == 0 || enter)
            return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace ui
