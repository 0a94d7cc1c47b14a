// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pq.h"
#include "register.h"

#include <QJsonArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

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
    // The races it speaks of, each once.
    QStringList raceIds() const;
    // What it holds of one race.
    Outbox only(const QString &race) const;
};

namespace sending {
// What to send next: races first, then answers of races the server has. A
// race played before its class was known stays local. Empty when all is sent.
Outbox collect(const Register &local, const QString &computer, QString *why);

struct Delivery {
    QString why; // empty on success
    // The server answered, and refused what it was given (not its own failure).
    bool refused = false;
};
// Adds the outbox on the server in one transaction; a row already there is
// left as it is, so sending twice adds nothing. A race of a class the school
// has not declared is not refused: it waits, like a server that is down.
Delivery deliver(server::Pq &server, const Outbox &outbox);
// Marks the outbox sent, once the server has committed it.
QString mark(const Register &local, const Outbox &outbox);
// Sets a race the server refused aside with its answers, so that it no longer
// holds back the others, and says so once on standard error.
QString setAside(const Register &local, const QString &race, const QString &why);
} // namespace sending

} // namespace registro
