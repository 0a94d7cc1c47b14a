// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controltable.h"

#include <QRgb>

#include <optional>

namespace ui {

// What a child who needs high contrast reads every text at, at least: WCAG's
// enhanced level (7:1).
inline constexpr double ReadableContrast = 7.0;

// WCAG's contrast ratio of two colours, from 1 (the same) to 21.
double contrastRatio(QRgb a, QRgb b);

// A control's colours in high contrast. The backdrop behind the transparent
// labels is then dark (drill's dimmed bands, black after a wrong answer), so
// the colours too faint on it are made lighter in the same hue: the child
// still tells right (cyan) from wrong (red) from all (blue). Everything else
// is the table's.
struct Colours {
    std::optional<QRgb> fore;
    std::optional<QRgb> back;
};
Colours highContrastColours(const ControlEntry &entry);

} // namespace ui
