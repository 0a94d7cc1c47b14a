// SPDX-License-Identifier: GPL-3.0-or-later
#include "sender.h"

#include "schema.h"
#include "server.h"

#include <QFileInfo>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace registro {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto FirstPause = std::chrono::seconds(1);
constexpr auto LongestPause = std::chrono::seconds(60);
constexpr auto StopPatience = std::chrono::milliseconds(500);

} // namespace

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
    // Stops the statement the thread waits on, when it is let go.
    std::shared_ptr<server::Pq::Canceller> canceller;

    // Why a round stopped. The register's own problems are the drill's
    // writer's to tell (a register being made is one, for a moment); only
    // the server's are this thread's.
    struct Failure {
        QString why;
        bool server = false;
    };

    // One round: every unsent row, batch by batch. No failure when all is sent.
    std::optional<Failure> round(Register &local, std::unique_ptr<server::Pq> &server)
    {
        if (!local.isOpen()) {
            if (!QFileInfo::exists(path))
                return {};
            local = Register::open(path, Access::ReadWrite);
            QSqlDatabase db = local.database();
            if (Error why = local.isOpen() ? schema::ensureSendingIndex(db) : local.error(); why) {
                local.close();
                return Failure{why.text};
            }
        }
        if (!server) {
            server = server::Pq::open(conninfo);
            if (!server->ok()) {
                const QString why = server->error();
                server.reset();
                return Failure{why, true};
            }
            const std::lock_guard lock(mutex);
            canceller = server->canceller();
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
            const sending::Delivery delivery = sending::deliver(*server, box);
            std::optional<Failure> failure;
            if (delivery.refused)
                failure = raceByRace(local, *server, box);
            else if (!delivery.why.isEmpty())
                failure = Failure{delivery.why, true};
            else if (why = sending::mark(local, box); !why.isEmpty())
                failure = Failure{why};
            if (failure) {
                dropAfter(*failure, local, server);
                return failure;
            }
        }
    }

    // After a failure, what is not to be trusted is opened afresh next time.
    void dropAfter(const Failure &failure, Register &local, std::unique_ptr<server::Pq> &server)
    {
        if (failure.server) {
            // This connection may be half dead.
            disconnect(server);
        } else {
            local.close();
        }
    }

    // Nothing is left to cancel once the connection is gone.
    void disconnect(std::unique_ptr<server::Pq> &server)
    {
        {
            const std::lock_guard lock(mutex);
            canceller.reset();
        }
        server.reset();
    }

    // The server refused something in the outbox: each race goes on its own,
    // and the one it refuses is set aside rather than holding back the rest.
    static std::optional<Failure> raceByRace(Register &local, server::Pq &server, const Outbox &box)
    {
        for (const QString &race : box.raceIds()) {
            const Outbox one = box.only(race);
            const sending::Delivery delivery = sending::deliver(server, one);
            QString why;
            if (delivery.refused)
                why = sending::setAside(local, race, delivery.why);
            else if (!delivery.why.isEmpty())
                return Failure{delivery.why, true};
            else
                why = sending::mark(local, one);
            if (!why.isEmpty())
                return Failure{why};
        }
        return {};
    }

    void run()
    {
        std::unique_ptr<server::Pq> server;
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
            const std::optional<Failure> failure = round(local, server);
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
        disconnect(server);
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
    std::unique_lock lock(m_state->mutex);
    m_state->stop = true;
    m_state->wake.notify_one();
    // A round stops between two batches; one held by the network is let go.
    const bool done =
        m_state->settled.wait_for(lock, StopPatience, [this] { return m_state->done; });
    if (!done && m_state->canceller)
        m_state->canceller->cancel();
    lock.unlock();
    if (!done) {
        m_state->thread.detach();
        return;
    }
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
        if (m_state->canceller)
            m_state->canceller->cancel();
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
