#include "program.h"

#include "tavola.h"

namespace drill {

Program::Program(platform::Services &services) : m_services(services) {}

Program::~Program() = default;

void Program::start()
{
    m_tavola = std::make_unique<Tavola>(m_services);
    // Queued: the old window is unloaded only after the menu handler that
    // asked for it has returned.
    connect(m_tavola.get(), &Tavola::restartRequested, this, &Program::restart,
            Qt::QueuedConnection);
    m_tavola->load();
}

void Program::restart()
{
    std::unique_ptr<Tavola> old = std::move(m_tavola);
    old->unload();
    old.release()->deleteLater();
    start();
    emit restarted();
}

} // namespace drill
