// The five-minute countdown shown in lblconto.
#include "tavola.h"

#include "runtime.h"

namespace drill {

void Tavola::Timer1_Timer()
{
    // A tick that arrives while the goodbye or the record's praise is open
    // must not begin the end a second time.
    if (m_ending)
        return;
    if (caption("lblconto") == QLatin1String("00:00:00")) {
        EndGame();
        return;
    }
    if (m_state.ClockSeconds == 0) {
        if (m_state.ClockMinutes > 0) {
            m_state.ClockMinutes = platform::sub16(m_state.ClockMinutes, 1);
            m_state.ClockSeconds = 60;
        } else if (m_state.ClockHours > 0) {
            m_state.ClockHours = platform::sub16(m_state.ClockHours, 1);
            m_state.ClockMinutes = 59;
            m_state.ClockSeconds = 60;
        }
    }
    m_state.ClockSeconds -= 1;
    setCaption("lblconto", clockText());
}

} // namespace drill
