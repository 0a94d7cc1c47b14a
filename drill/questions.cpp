// Posing a question and painting the window's tinted backdrop.
#include "tavola.h"

#include "picturebutton.h"
#include "runtime.h"
#include "services.h"
#include "surface.h"
#include "tavolawindow.h"

#include <QLineEdit>

#include <algorithm>

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
    do
        n = platform::toInt16(std::floor(10 * m_services.rnd()));
    while (n == 0);
    setCaption("lblNum1", platform::formatNumber(n, u"#0"));
    m_state.ExpectedAnswer = platform::sub16(10, n);
    m_window->cmdNext()->setEnabled(false);
    paintBackdrop();
    m_window->txtAnswer()->setFocus();
}

// 256 bands from top to bottom, each 1/256 of the client height and the full
// width, blue rising from 0 to 255 over a grey-yellow tint. Painted in device
// pixels so every band is solid at any height and pixel ratio.
void Tavola::paintBackdrop()
{
    const int tint = platform::mul16(10, m_state.TintLevel);
    QImage &canvas = m_window->surface()->beginDrawing();
    const int height = canvas.height();
    const int width = canvas.width();
    for (int band = 0; band < 256; ++band) {
        const QRgb colour = qRgb(tint, tint, band);
        const int top = band * height / 256;
        const int bottom = (band + 1) * height / 256;
        for (int row = top; row < bottom; ++row) {
            auto *line = reinterpret_cast<QRgb *>(canvas.scanLine(row));
            std::fill(line, line + width, colour);
        }
    }
    m_window->surface()->endDrawing();
}

} // namespace drill
