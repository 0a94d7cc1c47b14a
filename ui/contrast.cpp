// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrast.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ui {

namespace {
double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(QRgb c)
{
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

constexpr QRgb Red = 0xFF0000, Blue = 0x0000FF, Black = 0x000000, White = 0xFFFFFF;
// The same hues, light enough for a dark backdrop.
constexpr QRgb LightRed = 0xFFA0A0, LightBlue = 0xA0B4FF;
// The exit button's purple face, dark enough for a white caption.
constexpr QRgb DarkPurple = 0x600060;
} // namespace

double contrastRatio(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Colours highContrastColours(const ControlEntry &entry)
{
    Colours c{entry.fore, entry.back};
    if (entry.kind == Kind::CommandButton) {
        // The caption in every state, disabled too, not the desktop's grey.
        const bool exit = std::strcmp(entry.name, "cmdExit") == 0;
        c.fore = exit ? White : Black;
        if (exit)
            c.back = DarkPurple;
        return c;
    }
    if (entry.kind == Kind::TextBox || (entry.flags & flag::Opaque))
        return c; // on its own background, already readable
    if (c.fore == Red)
        c.fore = LightRed;
    else if (c.fore == Blue)
        c.fore = LightBlue;
    return c;
}

} // namespace ui
