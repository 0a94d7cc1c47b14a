// SPDX-License-Identifier: GPL-3.0-or-later
#include "random.h"

#include <random>

namespace platform {

void Random::reseed(std::uint64_t clockReading)
{
    // Numbers drawn from the current state carry it into the new seed.
    std::seed_seq seed{m_generator.generate(), m_generator.generate(), quint32(clockReading),
                       quint32(clockReading >> 32)};
    m_generator.seed(seed);
}

} // namespace platform
