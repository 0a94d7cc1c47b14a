// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"

#include <QDateTime>
#include <QString>

#include <utility>

namespace registroui {

// The class model's, in this window's own words.
using registro::fullRace;
using registro::trend;

// How well she knows a fact: known by heart, nearly (right at least one time
// in two), to practise, never asked.
enum class FactState { ByHeart, Nearly, Practise, Never };
FactState stateOf(const registro::Knowledge &k);
// The same in words: "sa a memoria", "quasi", "da esercitare", "mai chiesto".
QString factState(const registro::Knowledge &k);
// A fact's cell: the sum, its state in words, how often right, the median time.
QString factText(int n, const registro::Knowledge &k);
// The cell's background and text colours: blue, light blue, orange and grey,
// distinct under every common colour blindness (Okabe and Ito's palette).
QString factColour(const registro::Knowledge &k);
QString factTextColour(const registro::Knowledge &k);

// The chart's dates: from her first race to her last, whatever kind each
// is (full, custom, cut short), with a little room at each end, and a day
// each side when they all fall on one day; a day each side of today when
// she has none.
std::pair<QDateTime, QDateTime> chartRange(const QList<registro::RaceRow> &races);

} // namespace registroui
