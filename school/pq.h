// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <mutex>

struct pg_conn;
struct pg_cancel;

namespace registro::server {

// A connection to the school's server through libpq itself, for the
// children's role. Every value travels apart from its statement (the
// extended protocol): any lab computer can watch what the others' sessions
// run, and sees only "SELECT dieci.add_races($1::json)". A statement held by
// a server that stopped answering can be cancelled from another thread.
class Pq {
public:
    // Connects with the timeouts of every connection to the server; error()
    // says why not.
    explicit Pq(const QString &conninfo);
    ~Pq();
    Pq(const Pq &) = delete;
    Pq &operator=(const Pq &) = delete;

    bool ok() const { return m_error.isEmpty(); }
    // Whether the connection is encrypted, and how the server was checked:
    // the libpq sslmode it used ("verify-full" checks certificate and name).
    bool encrypted() const;
    QString sslMode() const;
    const QString &error() const { return m_error; }

    struct Reply {
        QString why;   // empty on success, else the server's message on one line
        QString state; // its SQLSTATE
        QString value; // the first column of the first row, when there is one
    };
    // Runs one statement, each parameter as text, out of line.
    Reply exec(const char *sql, const QList<QByteArray> &params = {});

    // Asks the server to stop the statement running now; any thread.
    class Canceller {
    public:
        void cancel();

    private:
        friend class Pq;
        std::mutex m_mutex;
        pg_cancel *m_cancel = nullptr;
    };
    std::shared_ptr<Canceller> canceller() const { return m_canceller; }

    // The children's connection, with this version's tables checked; empty
    // error() on success, as connect() gives it.
    static std::unique_ptr<Pq> children(const QString &conninfo);

private:
    pg_conn *m_conn = nullptr;
    QString m_error;
    std::shared_ptr<Canceller> m_canceller = std::make_shared<Canceller>();
};

} // namespace registro::server
