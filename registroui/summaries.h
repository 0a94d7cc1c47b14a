// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classdata.h"

#include <QString>

namespace registroui {

// The right answers of the child's last five races, and which way they go.
QString trend(const QList<registro::RaceRow> &races);
// A fact's cell: the sum, how often right, the median time and, for readers
// who cannot see the colour, whether she knows it by heart.
QString factText(int n, const registro::Knowledge &k);
QString factColour(const registro::Knowledge &k);

} // namespace registroui
