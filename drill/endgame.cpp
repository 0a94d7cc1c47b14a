// SPDX-License-Identifier: GPL-3.0-or-later
// The end of a race: goodbye, record check, safe saving and the end.
#include "tavola.h"

#include "captionlabel.h"
#include "numbers.h"
#include "recorder.h"
#include "recordstore.h"
#include "school.h"
#include "services.h"
#include "tavolawindow.h"

namespace drill {

void Tavola::EndGame()
{
    m_ending = true;
    speak(QStringLiteral("Tempo scaduto! Risposte esatte: %1.").arg(caption("lblScore")));
    if (!m_adaptation.standard())
        sayNotForTheRecord();
    tell(QStringLiteral("Ciao, alla prossima sfida. "));
    checkAndSaveRecord(registro::Ending::Clock);
}

void Tavola::cmdExit_Click()
{
    m_ending = true;
    checkAndSaveRecord(registro::Ending::Exit);
}

// Saves a score above the record with the player's name, praises it, and
// ends the program in every case.
void Tavola::checkAndSaveRecord(registro::Ending how)
{
    // The record is the five-minute race everyone plays: a race set for one
    // child is neither compared with it nor saved.
    if (!m_adaptation.standard()) {
        if (how != registro::Ending::Clock)
            sayNotForTheRecord();
        finishRecording(how, false);
        leave();
    }
    // Read as the screen shows it: a record too large to compare stays unbeaten.
    const double record = platform::leadingNumberOrInfinity(caption("lblpunti"));
    const QString scoreText = caption("lblScore");
    const double score = platform::strictNumber(scoreText);
    // Another copy of the program may have saved a higher record since this
    // one started: the store compares again, under its lock, and never lowers it.
    const bool saved = score > record && records::saveIfHigher(m_state.WinDir, score, scoreText,
                                                               caption("lblnome1"), record);
    finishRecording(how, saved);
    if (saved)
        tell(QStringLiteral("Ok! Ho registrato il tuo record, C A M P I O N E"));
    leave();
}

void Tavola::leave()
{
    // The child is done: the window goes at once, whatever the school's
    // server is doing with what is left to send.
    if (m_window)
        m_window->hide();
    m_school.finish(SchoolLink::ExitPatience);
    m_services.end(0);
}

} // namespace drill
