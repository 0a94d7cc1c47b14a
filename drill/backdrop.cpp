// SPDX-License-Identifier: GPL-3.0-or-later
#include "backdrop.h"

#include <algorithm>

namespace drill {

void paintBands(QImage &image, int grey, bool dimmed)
{
    const int height = image.height();
    const int width = image.width();
    for (int band = 0; band < 256; ++band) {
        const QRgb colour =
            dimmed ? qRgb(grey / 5, grey / 5, band * 80 / 255) : qRgb(grey, grey, band);
        const int top = band * height / 256;
        const int bottom = (band + 1) * height / 256;
        for (int row = top; row < bottom; ++row) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
            std::fill(line, line + width, colour);
        }
    }
}

} // namespace drill
