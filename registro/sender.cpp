// SPDX-License-Identifier: GPL-3.0-or-later
#include "sender.h"

#include "schema.h"
#include "server.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace registro {

namespace {
using Clock = std::chrono::steady_clock;
constexpr int RacesAtOnce = 200;
constexpr int AnswersAtOnce = 2000;
constexpr auto FirstPause = std::chrono::seconds(1);
constexpr auto LongestPause = std::chrono::seconds(60);
// The drill's writer holds the register for a moment at a time.
constexpr int BusyTries = 200;
constexpr auto BusyPause = std::chrono::milliseconds(50);

QJsonValue textOrNull(const QVariant &value)
{
    return value.isNull() ? QJsonValue() : QJsonValue(value.toString());
}

bool busy(const QSqlQuery &query)
{
    const int code = query.lastError().nativeErrorCode().toInt();
    return (code & 0xff) == 5 || (code & 0xff) == 6;
}
} // namespace

namespace sending {

Outbox collect(const Register &local, const QString &computer, QString *why)
{
    Outbox box;
    QSqlQuery q(local.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, started, name, ending, record_beaten, adaptation, class "
                               "FROM races WHERE sent < 2 AND class IS NOT NULL AND (sent = 0 OR "
                               "ending IS NOT NULL) LIMIT %1")
                    .arg(RacesAtOnce))) {
        *why = q.lastError().databaseText();
        return box;
    }
    while (q.next()) {
        const QString name = q.value(2).toString();
        box.races.append(QJsonObject{{"id", q.value(0).toString()},
                                     {"started", q.value(1).toString()},
                                     {"name", name},
                                     {"child", childKey(name)},
                                     {"ending", textOrNull(q.value(3))},
                                     {"beaten", q.value(4).toBool()},
                                     {"adaptation", textOrNull(q.value(5))},
                                     {"class", q.value(6).toString()},
                                     {"computer", computer}});
        box.raceMarks.append({q.value(0).toString(), q.value(3).isNull() ? 1 : 2});
    }
    // Answers go once their race is on the server: it refuses an answer
    // without one, as it does those of a race a teacher deleted.
    if (!box.races.isEmpty())
        return box;
    if (!q.exec(QStringLiteral("SELECT a.race, a.seq, a.at, a.number, a.typed, a.right, a.ms FROM "
                               "answers a JOIN races r ON r.id = a.race WHERE a.sent = 0 AND "
                               "r.sent > 0 ORDER BY a.race, a.seq LIMIT %1")
                    .arg(AnswersAtOnce))) {
        *why = q.lastError().databaseText();
        return box;
    }
    while (q.next()) {
        box.answers.append(QJsonObject{{"race", q.value(0).toString()},
                                       {"seq", q.value(1).toInt()},
                                       {"at", q.value(2).toString()},
                                       {"number", q.value(3).toInt()},
                                       {"typed", q.value(4).toString()},
                                       {"correct", q.value(5).toBool()},
                                       {"ms", q.value(6).toLongLong()}});
        box.answerKeys.append({q.value(0).toString(), q.value(1).toInt()});
    }
    return box;
}

QString deliver(const QSqlDatabase &server, const Outbox &outbox)
{
    QSqlDatabase db = server;
    QSqlQuery q(db);
    const auto call = [&q](const char *function, const QJsonArray &rows) {
        if (rows.isEmpty())
            return true;
        q.prepare(QStringLiteral("SELECT dieci.%1(CAST(? AS json))").arg(QLatin1String(function)));
        q.addBindValue(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)));
        return q.exec();
    };
    if (!db.transaction())
        return server::errorLine(db.lastError());
    if (call("add_races", outbox.races) && call("add_answers", outbox.answers) && db.commit())
        return {};
    const QString why = server::errorLine(q.lastError().isValid() ? q.lastError() : db.lastError());
    db.rollback();
    return why;
}

QString mark(const Register &local, const Outbox &outbox)
{
    QSqlDatabase db = local.database();
    QSqlQuery q(db);
    for (int attempt = 0; attempt < BusyTries; ++attempt) {
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            if (!busy(q))
                return q.lastError().databaseText();
            std::this_thread::sleep_for(BusyPause);
            continue;
        }
        bool ok = true;
        for (const auto &[race, sent] : outbox.raceMarks) {
            ok = ok &&
                 q.prepare(QStringLiteral("UPDATE races SET sent = max(sent, ?) WHERE id = ?"));
            q.addBindValue(sent);
            q.addBindValue(race);
            ok = ok && q.exec();
        }
        for (const auto &[race, seq] : outbox.answerKeys) {
            ok =
                ok &&
                q.prepare(QStringLiteral("UPDATE answers SET sent = 1 WHERE race = ? AND seq = ?"));
            q.addBindValue(race);
            q.addBindValue(seq);
            ok = ok && q.exec();
        }
        if (ok && q.exec(QStringLiteral("COMMIT")))
            return {};
        const bool again = busy(q);
        const QString why = q.lastError().databaseText();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!again)
            return why;
        std::this_thread::sleep_for(BusyPause);
    }
    return QStringLiteral("registro occupato da un altro programma");
}

} // namespace sending

struct Sender::State {
    QString path;
    QString conninfo;
    QString computer;
    std::mutex mutex;
    std::condition_variable wake;    // the thread's
    std::condition_variable settled; // the waiters'
    bool poked = true;               // the first round looks for leftovers
    bool finishing = false;
    bool stop = false;
    bool sent = false; // the last round left nothing behind, and nothing came since
    bool done = false;
    bool said = false;
    quint64 started = 0; // rounds begun
    quint64 ended = 0;   // the last round that ended
    std::thread thread;
    bool joined = false; // by the owner's thread only

    // Why a round stopped. The register's own problems are the drill's
    // writer's to tell (a register being made is one, for a moment); only
    // the server's are this thread's.
    struct Failure {
        QString why;
        bool server = false;
    };

    // One round: every unsent row, batch by batch. No failure when all is sent.
    std::optional<Failure> round(Register &local, const QString &server, bool &connected)
    {
        if (!local.isOpen()) {
            if (!QFileInfo::exists(path))
                return {};
            local = Register::open(path, Access::ReadWrite);
            if (!local.isOpen())
                return Failure{local.problem()};
        }
        if (!connected) {
            if (QString why = server::connect(conninfo, server); !why.isEmpty()) {
                QSqlDatabase::removeDatabase(server);
                return Failure{why, true};
            }
            connected = true;
        }
        for (;;) {
            {
                const std::lock_guard lock(mutex);
                if (stop)
                    return Failure{QStringLiteral("interrotto")};
            }
            QString why;
            const Outbox box = sending::collect(local, computer, &why);
            if (!why.isEmpty()) {
                local.close();
                return Failure{why};
            }
            if (box.empty())
                return {};
            why = sending::deliver(QSqlDatabase::database(server, false), box);
            if (!why.isEmpty()) {
                // A fresh connection next time: this one may be half dead.
                connected = false;
                QSqlDatabase::removeDatabase(server);
                return Failure{why, true};
            }
            if (why = sending::mark(local, box); !why.isEmpty()) {
                local.close();
                return Failure{why};
            }
        }
    }

    void run()
    {
        const QString server = schema::newConnectionName();
        bool connected = false;
        Register local;
        auto pause = std::chrono::duration_cast<Clock::duration>(FirstPause);
        Clock::time_point retryAt = Clock::time_point::max();
        for (;;) {
            {
                std::unique_lock lock(mutex);
                const auto due = [this, retryAt] {
                    return stop || poked || Clock::now() >= retryAt;
                };
                if (retryAt == Clock::time_point::max())
                    wake.wait(lock, due);
                else
                    wake.wait_until(lock, retryAt, due);
                if (stop)
                    break;
                poked = false;
                ++started;
            }
            const std::optional<Failure> failure = round(local, server, connected);
            std::unique_lock lock(mutex);
            if (!failure) {
                sent = !poked;
                pause = FirstPause;
                retryAt = Clock::time_point::max();
            } else {
                sent = false;
                if (failure->server && !said) {
                    std::fprintf(stderr,
                                 "dieci: server della scuola: %s; le gare restano nel registro %s "
                                 "e partono appena il server risponde\n",
                                 qPrintable(failure->why), qPrintable(path));
                    said = true;
                }
                retryAt = Clock::now() + pause;
                pause = std::min<Clock::duration>(pause * 2, LongestPause);
            }
            ended = started;
            settled.notify_all();
            if (finishing && (failure || !poked))
                break;
        }
        local.close();
        QSqlDatabase::removeDatabase(server);
        const std::lock_guard lock(mutex);
        done = true;
        settled.notify_all();
    }
};

Sender::Sender(const QString &path, const QString &conninfo, const QString &computer)
    : m_state(std::make_shared<State>())
{
    m_state->path = path;
    m_state->conninfo = conninfo;
    m_state->computer = computer;
    m_state->thread = std::thread([state = m_state] { state->run(); });
}

Sender::~Sender()
{
    if (!m_state->thread.joinable())
        return;
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
    }
    m_state->wake.notify_one();
    m_state->thread.join();
    m_state->joined = true;
}

void Sender::poke()
{
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->poked = true;
        m_state->sent = false;
    }
    m_state->wake.notify_one();
}

bool Sender::sendNow(std::chrono::milliseconds patience)
{
    std::unique_lock lock(m_state->mutex);
    // The next round to begin sees everything written before this call.
    const quint64 round = m_state->started + 1;
    m_state->poked = true;
    m_state->sent = false;
    m_state->wake.notify_one();
    m_state->settled.wait_for(lock, patience,
                              [this, round] { return m_state->ended >= round || m_state->done; });
    return m_state->ended >= round && m_state->sent;
}

bool Sender::letGo() const
{
    return !m_state->thread.joinable() && !m_state->joined;
}

bool Sender::finish(std::chrono::milliseconds patience)
{
    if (!m_state->thread.joinable())
        return m_state->sent;
    std::unique_lock lock(m_state->mutex);
    m_state->finishing = true;
    m_state->poked = true;
    m_state->sent = false;
    m_state->wake.notify_one();
    const bool done = m_state->settled.wait_for(lock, patience, [this] { return m_state->done; });
    const bool sent = m_state->sent;
    if (!done) {
        // Held by a server that does not answer: the thread is let go, and
        // what it did not send waits in the register for the next run.
        m_state->stop = true;
        lock.unlock();
        m_state->thread.detach();
        return false;
    }
    lock.unlock();
    m_state->thread.join();
    m_state->joined = true;
    return sent;
}

} // namespace registro
