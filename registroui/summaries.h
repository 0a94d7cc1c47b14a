// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classdata.h"

#include <QString>

namespace registroui {

// Whether a race ran to the clock, the five minutes everyone plays: only those
// are compared for a trend.
bool fullRace(const registro::RaceRow &race);

// The right answers of the child's last five races, oldest first, a race that
// did not run to the clock marked with "*"; then, from her full races only,
// "in crescita" or "in calo" when the mean of the last three differs from the
// three before by 3 right answers or more, else "stabile"; nothing with fewer
// than six full races.
QString trend(const QList<registro::RaceRow> &races);

// How well she knows a fact, in words: "sa a memoria", "quasi" (right at
// least one time in two), "da esercitare", "mai chiesto".
QString factState(const registro::Knowledge &k);
// A fact's cell: the sum, its state in words, how often right, the median time.
QString factText(int n, const registro::Knowledge &k);
// The cell's background and text colours: blue, light blue, orange and grey,
// distinct under every common colour blindness (Okabe and Ito's palette).
QString factColour(const registro::Knowledge &k);
QString factTextColour(const registro::Knowledge &k);

} // namespace registroui
