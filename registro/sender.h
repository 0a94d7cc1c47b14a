// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "register.h"

#include <QJsonArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <chrono>
#include <memory>
#include <utility>

namespace registro {

// One delivery to the school's server: races and answers that the local
// register holds and the server has not confirmed, as the server's
// functions take them.
struct Outbox {
    QJsonArray races;
    QJsonArray answers;
    QList<std::pair<QString, int>> raceMarks;  // id, and 2 when its ending went too
    QList<std::pair<QString, int>> answerKeys; // race, seq
    bool empty() const { return races.isEmpty() && answers.isEmpty(); }
};

namespace sending {
// What to send next: races first, then answers of races the server has. A
// race played before its class was known stays local. Empty when all is sent.
Outbox collect(const Register &local, const QString &computer, QString *why);
// Adds the outbox on the server in one transaction; a row already there is
// left as it is, so sending twice adds nothing. Empty on success.
QString deliver(const QSqlDatabase &server, const Outbox &outbox);
// Marks the outbox sent, once the server has committed it.
QString mark(const Register &local, const Outbox &outbox);
} // namespace sending

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
