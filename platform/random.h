// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRandomGenerator>

#include <cstdint>

namespace platform {

// The drill's random numbers. It starts from a fixed state, so the first
// number of every run is the same until the first reseed.
class Random {
public:
    double next() { return m_generator.generateDouble(); } // uniform in [0, 1)
    // Mixes a clock reading into the current state instead of replacing it, so
    // two reseeds within one clock tick still lead to fresh numbers.
    void reseed(std::uint64_t clockReading);

private:
    QRandomGenerator m_generator{0x853C49E6u};
};

} // namespace platform
