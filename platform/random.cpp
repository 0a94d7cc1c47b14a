// SPDX-License-Identifier: GPL-3.0-or-later
#include "random.h"

namespace platform {

namespace {
std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
} // namespace

double Random::next()
{
    m_state += 0x9E3779B97F4A7C15ULL;
    return double(mix(m_state) >> 11) * 0x1.0p-53;
}

void Random::reseed(std::uint64_t clockReading)
{
    m_state = mix(m_state ^ mix(clockReading + 0x9E3779B97F4A7C15ULL));
}

} // namespace platform
