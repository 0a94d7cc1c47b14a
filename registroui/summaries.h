// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"

#include <QString>

namespace registroui {

// The class model's, in this window's own words.
using registro::fullRace;
using registro::trend;

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
