// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>

// The one sender of a run of the drill, which takes the races of this
// account to the school's server. It outlives each race: a new race pokes it.
namespace drill::school {

// Starts it when the program starts with a server to send to.
void start(const QString &registerPath, const QString &conninfo, const QString &computer);
// A race wrote something new.
void poke();
// The program is ending: what is left gets up to patience to reach the
// server. False when the sender had to be let go with its thread still busy,
// so the program must leave without running destructors.
bool finish(std::chrono::milliseconds patience);

// The child's window is already gone; the process ends within it.
inline constexpr std::chrono::milliseconds ExitPatience{1500};

} // namespace drill::school
