// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace drill {

// Counts the clock fields down by one second, borrowing from the minutes, then
// the hours, when the seconds are 0.
void countDownOneSecond(std::int16_t &hours, std::int16_t &minutes, float &seconds);

} // namespace drill
