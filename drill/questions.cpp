// SPDX-License-Identifier: GPL-3.0-or-later
// Posing a question and painting the window's tinted backdrop.
#include "tavola.h"

#include "backdrop.h"

#include "answerbox.h"
#include "numbers.h"
#include "picturebutton.h"
#include "practice.h"
#include "services.h"
#include "surface.h"
#include "tavolawindow.h"

#include <cmath>

namespace drill {

void Tavola::Form_Activate()
{
    cmdNext_Click();
}

void Tavola::cmdNext_Click()
{
    m_state.TintLevel = platform::toInt16(std::floor(15 * m_services.rnd()));
    m_window->txtAnswer()->setText(QString());
    setCaption("lblMessage", QString());
    m_services.randomize();
    std::int16_t n = 0;
    if (m_practice && m_practice->active())
        n = std::int16_t(m_practice->next(m_services.rnd()));
    else
        do
            n = platform::toInt16(std::floor(10 * m_services.rnd()));
        while (n == 0);
    setCaption("lblNum1", platform::formatNumber(n, u"#0"));
    // The new number silences whatever was still being said.
    speak(caption("lblNum1"));
    // Read with the focus, which comes back to the answer box below.
    m_window->txtAnswer()->setAccessibleDescription(
        QStringLiteral("Quanto manca da %1 per arrivare a 10?").arg(n));
    m_state.ExpectedAnswer = platform::sub16(10, n);
    m_window->cmdNext()->setEnabled(false);
    paintBackdrop();
    m_window->txtAnswer()->setFocus();
    m_questionShownAt = m_services.elapsedMs();
}

void Tavola::paintBackdrop()
{
    ui::Surface *surface = m_window->surface();
    paintBands(surface->beginDrawing(), platform::mul16(10, m_state.TintLevel), m_contrast);
    surface->endDrawing();
}

} // namespace drill
