// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outbox.h"

#include <QJsonArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <chrono>
#include <memory>
#include <utility>

namespace registro {

// Delivers, on a thread of its own, what the register at path holds and the
// school's server does not: at its start (what an earlier run left), and
// whenever poked after a race's news was written. Nothing waits for the
// network: a server that is down or silent is tried again later, with longer
// pauses, after one line on standard error.
class Sender {
public:
    Sender(const QString &path, const QString &conninfo, const QString &computer);
    ~Sender(); // lets go at once, as finish(0)
    Sender(const Sender &) = delete;
    Sender &operator=(const Sender &) = delete;

    // There is something new in the register.
    void poke();
    // Gives what is left up to patience to reach the server, then lets the
    // thread go. True when nothing was left unsent.
    bool finish(std::chrono::milliseconds patience);
    // Whether finish() had to let a busy thread go.
    bool letGo() const;
    // Starts a round at once and waits for it to end, for tests and tools:
    // true when it left nothing unsent, false when the server failed it or
    // patience ran out first.
    bool sendNow(std::chrono::milliseconds patience);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace registro
