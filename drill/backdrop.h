// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

namespace drill {

// Paints 256 bands from top to bottom, each 1/256 of the image's height and
// its full width, in (grey, grey, band): blue rises from 0 to 255 over the
// tint. Works in device pixels, so every band is solid at any height.
// Dimmed, for a child who needs high contrast, the same bands are dark
// (grey / 5, grey / 5, band * 80 / 255), so light text reads on all of them.
void paintBands(QImage &image, int grey, bool dimmed = false);

} // namespace drill
