// SPDX-License-Identifier: GPL-3.0-or-later
// Judging the typed answer: counters, message, sound and the black window.
#include "tavola.h"

#include "answerbox.h"
#include "numbers.h"
#include "picturebutton.h"
#include "recorder.h"
#include "services.h"
#include "surface.h"
#include "tavolawindow.h"

namespace drill {

using platform::add16;
using platform::formatNumber;

void Tavola::txtAnswer_KeyPress(std::int16_t &KeyAscii)
{
    const bool digit = KeyAscii >= 48 && KeyAscii <= 57;
    if (KeyAscii == 8 || digit)
        return;
    if (KeyAscii == 13)
        judge();
    else
        KeyAscii = 0;
}

void Tavola::judge()
{
    const QString typed = m_window->txtAnswer()->text();
    const std::int16_t answer = platform::toInt16(platform::leadingNumber(typed));
    const QDateTime at = m_services.now();
    const qint64 ms = m_services.elapsedMs() - m_questionShownAt;
    const int asked = 10 - m_state.ExpectedAnswer;
    if (answer == m_state.ExpectedAnswer) {
        m_state.RightCount = add16(m_state.RightCount, 1);
        setCaption("lblMessage",
                   QStringLiteral("Esatto! ") + m_state.PlayerName + QStringLiteral(" Sei forte!"));
        PlaySoundFile(soundPath("Esatto.wav"));
        describeJudgement();
    } else {
        m_state.WrongCount = add16(m_state.WrongCount, 1);
        setCaption("lblMessage",
                   QStringLiteral("Sbagliato!! ") + formatNumber(m_state.ExpectedAnswer, u"####0"));
        describeJudgement();
        PlaySoundFile(soundPath("no.wav"));
        m_window->surface()->setBackColor(Qt::black);
        setCaption("lblScore1", formatNumber(m_state.WrongCount, u"###0"));
        enableNext();
    }
    // The message as it reads, the right answer included, with its sound.
    speak(caption("lblMessage"));
    setCaption("lblScore", formatNumber(m_state.RightCount, u"####0"));
    enableNext();
    setCaption("lblScore2", formatNumber(add16(m_state.RightCount, m_state.WrongCount), u"####0"));
    enableNext();
    // After the feedback: the register is written on a thread of its own anyway.
    if (m_register)
        m_register->answer(at, asked, typed, answer == m_state.ExpectedAnswer, ms);
}

// The focus is about to move to cmdNext: a screen reader reads its
// description with it, so the feedback and the score are heard there.
void Tavola::describeJudgement()
{
    const std::int16_t total = add16(m_state.RightCount, m_state.WrongCount);
    m_window->cmdNext()->setAccessibleDescription(
        caption("lblMessage") + QStringLiteral("\nRisposte esatte %1, errate %2, totali %3.")
                                    .arg(m_state.RightCount)
                                    .arg(m_state.WrongCount)
                                    .arg(total));
}

void Tavola::PlaySoundFile(const QString &path)
{
    m_services.playSound(path);
}

} // namespace drill
