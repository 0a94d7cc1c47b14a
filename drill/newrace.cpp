// SPDX-License-Identifier: GPL-3.0-or-later
// The menu's "nuovo": a new race in a freshly loaded window.
#include "tavola.h"

#include "recorder.h"
#include "services.h"

namespace drill {

void Tavola::Next_Click()
{
    const platform::Reply reply = m_services.messageBox(
        QStringLiteral("INIZIAMO UNA NUOVA GARA  ?"), platform::BoxStyle::YesNoQuestion,
        QStringLiteral("INIZIARE NUOVA GARA"));
    if (reply != platform::Reply::Yes)
        return;
    const QString upTo = m_services.inputBox(QStringLiteral("Tavola pitagorica fino al numero? "));
    if (upTo.isEmpty())
        m_services.messageBox(QStringLiteral(" ") + m_state.PlayerName +
                              QStringLiteral(" siccome non hai scelto arriviamo fino al 10."));
    finishRecording(registro::Ending::NewRace, false);
    emit restartRequested();
}

} // namespace drill
