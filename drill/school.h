// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>
#include <memory>
#include <mutex>

namespace registro {
class Sender;
}

namespace drill {

// The one sender of a run of the drill, which takes the races of this
// account to the school's server. It outlives each race: a new race pokes
// it. The program owns it and hands it to each race.
class SchoolLink {
public:
    SchoolLink();
    ~SchoolLink();
    SchoolLink(const SchoolLink &) = delete;
    SchoolLink &operator=(const SchoolLink &) = delete;

    // Starts it when the program starts with a server to send to.
    void start(const QString &registerPath, const QString &conninfo, const QString &computer);
    // A race wrote something new (from the race's writer thread).
    void poke();
    // The program is ending: what is left gets up to patience to reach the
    // server. False when the sender had to be let go with its thread still
    // busy, so the program must leave without running destructors.
    bool finish(std::chrono::milliseconds patience);

    // The child's window is already gone; the process ends within it.
    static constexpr std::chrono::milliseconds ExitPatience{1500};

private:
    std::mutex m_mutex;
    std::unique_ptr<registro::Sender> m_sender;
    bool m_clean = true;
};

} // namespace drill
