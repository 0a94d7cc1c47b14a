// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "school.h"

#include <QObject>

#include <memory>

namespace platform {
class Services;
}

namespace drill {

class Tavola;

// Holds the one window of the program and replaces it with a freshly loaded
// one when a new race is asked for.
class Program : public QObject {
    Q_OBJECT
public:
    explicit Program(platform::Services &services);
    ~Program() override;

    void start();
    Tavola *current() const { return m_tavola.get(); }
    // The sender to the school's server, shared by every race of the run.
    SchoolLink &school() { return m_school; }

signals:
    // A new race's window has been loaded.
    void restarted();

private:
    void restart();

    platform::Services &m_services;
    SchoolLink m_school; // outlives every race, whose writer pokes it
    std::unique_ptr<Tavola> m_tavola;
    std::unique_ptr<Tavola> m_retired;
};

} // namespace drill
