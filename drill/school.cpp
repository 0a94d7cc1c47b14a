// SPDX-License-Identifier: GPL-3.0-or-later
#include "school.h"

#include "sender.h"

namespace drill {

SchoolLink::SchoolLink() = default;

SchoolLink::~SchoolLink()
{
    // A sender never finished stops, or is let go when the network holds it.
    const std::lock_guard lock(m_mutex);
    m_sender.reset();
}

void SchoolLink::start(const QString &registerPath, const QString &conninfo,
                       const QString &computer)
{
    const std::lock_guard lock(m_mutex);
    if (!m_sender)
        m_sender = std::make_unique<registro::Sender>(registerPath, conninfo, computer);
}

void SchoolLink::poke()
{
    const std::lock_guard lock(m_mutex);
    if (m_sender)
        m_sender->poke();
}

bool SchoolLink::finish(std::chrono::milliseconds patience)
{
    const std::lock_guard lock(m_mutex);
    if (m_sender) {
        m_sender->finish(patience);
        // Once let go, always: its thread may outlive everything else.
        m_clean = m_clean && !m_sender->letGo();
        m_sender.reset();
    }
    return m_clean;
}

} // namespace drill
