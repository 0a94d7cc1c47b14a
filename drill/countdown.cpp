// SPDX-License-Identifier: GPL-3.0-or-later
// The five-minute countdown shown in lblconto.
#include "countdown.h"

#include "numbers.h"
#include "tavola.h"

namespace drill {

void countDownOneSecond(std::int16_t &hours, std::int16_t &minutes, float &seconds)
{
    if (seconds == 0) {
        if (minutes > 0) {
            minutes = platform::sub16(minutes, 1);
            seconds = 60;
        } else if (hours > 0) {
            hours = platform::sub16(hours, 1);
            minutes = 59;
            seconds = 60;
        }
    }
    seconds -= 1;
}

void Tavola::Timer1_Timer()
{
    // A tick that arrives while the goodbye or the record's praise is open
    // must not begin the end a second time.
    if (m_ending)
        return;
    // A race without a clock shows the time it has taken, and never ends by it.
    if (m_adaptation.minutes == 0) {
        countUpOneSecond();
        return;
    }
    // The end is decided on the text as shown, not on the fields.
    if (caption("lblconto") == QLatin1String("00:00:00")) {
        EndGame();
        return;
    }
    countDownOneSecond(m_state.ClockHours, m_state.ClockMinutes, m_state.ClockSeconds);
    setCaption("lblconto", clockText());
    announceTimeLeft();
}

// After what is being said: the time left never cuts off the child's feedback.
void Tavola::announceTimeLeft()
{
    const int minutes = m_state.ClockHours * 60 + m_state.ClockMinutes;
    if (m_state.ClockSeconds == 0 && minutes > 1)
        speak(QStringLiteral("Mancano %1 minuti").arg(minutes), platform::Speech::After);
    else if (m_state.ClockSeconds == 0 && minutes == 1)
        speak(QStringLiteral("Manca un minuto"), platform::Speech::After);
    else if (m_state.ClockSeconds == 10 && minutes == 0)
        speak(QStringLiteral("Mancano dieci secondi"), platform::Speech::After);
}

} // namespace drill
