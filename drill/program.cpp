// SPDX-License-Identifier: GPL-3.0-or-later
#include "program.h"

#include "tavola.h"

#include <QTimer>

namespace drill {

Program::Program(platform::Services &services) : m_services(services) {}

Program::~Program() = default;

void Program::start()
{
    m_tavola = std::make_unique<Tavola>(m_services, m_school);
    // Queued: the old window is unloaded only after the menu handler that
    // asked for it has returned.
    connect(m_tavola.get(), &Tavola::restartRequested, this, &Program::restart,
            Qt::QueuedConnection);
    m_tavola->load();
}

void Program::restart()
{
    // The old window goes away once control is back in the event loop; until
    // then this object owns it, so it never outlives the services it uses.
    m_retired = std::move(m_tavola);
    m_retired->unload();
    QTimer::singleShot(0, this, [this] { m_retired.reset(); });
    start();
    emit restarted();
}

} // namespace drill
