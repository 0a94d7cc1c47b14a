// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

struct pg_conn;
struct pg_cancel;

namespace registro::server {

// A connection to the school's server through libpq itself, for every role.
// Every value travels apart from its statement (the extended protocol): any
// session of the same role can watch what the others run, and sees only
// "SELECT dieci.add_races($1::json)"; the server's log of statements holds
// no name. A statement held by a server that stopped answering can be
// cancelled from another thread.
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
    // The same, with every row it gives, each value as text (SQL NULL as a
    // null QString).
    struct Rows {
        QString why;
        QString state;
        QList<QStringList> rows;
    };
    Rows query(const char *sql, const QList<QByteArray> &params = {});

    // Statements run one after the other on this connection, a transaction
    // most often: after the first failure nothing more runs, and why says
    // what failed.
    struct Steps {
        Pq &db;
        QString why;
        QString state; // the failure's SQLSTATE
        Rows run(const QString &sql, const QList<QByteArray> &params = {});
        // COMMIT when all went well, else ROLLBACK; whether all went well.
        bool end();
    };

    // For statements that take no parameters (CREATE ROLE ...): a name or a
    // value quoted as this server reads it.
    QString identifier(const QString &name) const;
    QString literal(const QString &value) const;
    // What the server keeps of a role's password, made here: the password
    // itself is never sent. Empty when libpq cannot make it.
    QString passwordVerifier(const QString &role, const QString &password) const;

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

    // A connection to a database that holds tables this version can use;
    // error() says why not, or what to run when there are none.
    static std::unique_ptr<Pq> open(const QString &conninfo);

private:
    pg_conn *m_conn = nullptr;
    QString m_error;
    std::shared_ptr<Canceller> m_canceller = std::make_shared<Canceller>();
};

} // namespace registro::server
