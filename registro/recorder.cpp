// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder.h"

#include "register.h"
#include "schema.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

namespace registro {

namespace {
using Clock = std::chrono::steady_clock;
// How long the end of a race waits for a register that someone else holds.
constexpr auto LockPatience = std::chrono::seconds(10);
constexpr auto Retry = std::chrono::milliseconds(50);

// 128 random bits that only this register knows: the school's server keeps
// their hash, and adds to the race or ends it only for whoever shows them.
QString raceSecret()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex());
}

QString endingText(Ending how)
{
    switch (how) {
    case Ending::Clock:
        return QStringLiteral("fine");
    case Ending::Exit:
        return QStringLiteral("uscita");
    case Ending::NewRace:
        return QStringLiteral("nuova gara");
    case Ending::WindowClosed:
        return QStringLiteral("finestra chiusa");
    }
    return {};
}

// One statement and its values, written in its own transaction.
struct Job {
    QString sql;
    QVariantList values;
    QString race; // of an answer: the race it belongs to
};

bool raceExists(const Register &reg, const QString &race)
{
    QSqlQuery query(reg.database());
    query.prepare(QStringLiteral("SELECT 1 FROM races WHERE id = ?"));
    query.addBindValue(race);
    return !query.exec() || query.next();
}

enum class Outcome { Written, Busy, Failed };

Outcome failure(const QSqlQuery &query, QString *why)
{
    const int code = query.lastError().nativeErrorCode().toInt();
    // SQLITE_BUSY and SQLITE_LOCKED, with their extended codes: try again.
    if ((code & 0xff) == 5 || (code & 0xff) == 6)
        return Outcome::Busy;
    *why = query.lastError().databaseText();
    return Outcome::Failed;
}

Outcome write(const Register &reg, const Job &job, QString *why)
{
    QSqlQuery query(reg.database());
    query.prepare(job.sql);
    for (const QVariant &value : job.values)
        query.addBindValue(value);
    if (query.exec())
        return Outcome::Written;
    // The teacher deleted this race while it was being played. It stays
    // deleted: its later answers belong to nobody.
    const int code = query.lastError().nativeErrorCode().toInt();
    if ((code & 0xff) == 19 && !job.race.isEmpty() && !raceExists(reg, job.race))
        return Outcome::Written;
    return failure(query, why);
}

// What is waiting goes in one transaction: on a slow disk the writer keeps up
// with any child, as a commit costs one flush however many answers it holds.
Outcome writeAll(const Register &reg, const std::deque<Job> &jobs, QString *why)
{
    QSqlQuery query(reg.database());
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failure(query, why);
    Outcome outcome = Outcome::Written;
    for (const Job &job : jobs)
        if (outcome = write(reg, job, why); outcome != Outcome::Written)
            break;
    if (outcome == Outcome::Written && query.exec(QStringLiteral("COMMIT")))
        return outcome;
    if (outcome == Outcome::Written)
        outcome = failure(query, why);
    QSqlQuery(reg.database()).exec(QStringLiteral("ROLLBACK"));
    return outcome;
}

// One line per register and run of the program, however many races go unrecorded.
void complain(const QString &path, const QString &why)
{
    static std::mutex mutex;
    static QSet<QString> said;
    const std::lock_guard lock(mutex);
    if (!said.contains(path)) {
        said.insert(path);
        std::fprintf(stderr, "dieci: registro %s: %s; le gare non vengono registrate\n",
                     qPrintable(path), qPrintable(why));
    }
}
} // namespace

struct RaceRecorder::Worker {
    QString path;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    bool finishing = false;
    bool stopped = false;
    Clock::time_point deadline;
    std::thread thread;

    void push(Job job)
    {
        {
            const std::lock_guard lock(mutex);
            if (stopped || finishing)
                return;
            jobs.push_back(std::move(job));
        }
        wake.notify_one();
    }

    bool create = false;
    std::function<void()> written;

    // Another program holding the register is waited out at the open as
    // much as in the middle of the race.
    Register openPatiently()
    {
        for (;;) {
            Register reg = create && !QFileInfo::exists(path) && !QFileInfo(path).isSymLink()
                               ? Register::create(path)
                               : Register::open(path, Access::ReadWrite);
            if (!reg.error().busy())
                return reg;
            std::unique_lock lock(mutex);
            if (finishing && Clock::now() > deadline)
                return reg;
            wake.wait_for(lock, Retry);
        }
    }

    void run()
    {
        Register reg = openPatiently();
        bool ok = reg.isOpen() && reg.recording();
        if (!reg.isOpen())
            complain(path, reg.error().text);
        while (ok) {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return finishing || !jobs.empty(); });
            if (jobs.empty())
                break;
            const std::deque<Job> batch = jobs;
            lock.unlock();
            QString why;
            const Outcome outcome = writeAll(reg, batch, &why);
            lock.lock();
            if (outcome == Outcome::Written) {
                jobs.erase(jobs.begin(), jobs.begin() + qsizetype(batch.size()));
                if (written) {
                    lock.unlock();
                    written();
                    lock.lock();
                }
            } else if (outcome == Outcome::Failed) {
                complain(path, why);
                ok = false;
            } else if (finishing && Clock::now() > deadline) {
                complain(path, QStringLiteral("occupato da un altro programma"));
                ok = false;
            } else {
                wake.wait_for(lock, Retry);
            }
        }
        const std::lock_guard lock(mutex);
        stopped = true;
        jobs.clear();
    }
};

RaceRecorder::RaceRecorder(const QString &path, const QDateTime &start, const QString &name,
                           const QString &adaptation, RecorderOptions options)
{
    // Off until the teacher (or the lab's settings) turns it on.
    if (!QFileInfo::exists(path) && !options.create)
        return;
    // Made here, never reused: registers of several computers merge without clashes.
    m_race = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_worker = std::make_unique<Worker>();
    m_worker->path = path;
    m_worker->create = options.create;
    m_worker->written = std::move(options.written);
    const auto orNull = [](const QString &text) {
        return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
    };
    // A race with no class cannot reach the school's server: it never waits for it.
    const QString className = options.className.trimmed();
    m_sent = className.isEmpty() ? schema::sent::Never : schema::sent::No;
    // A child who typed no name still races, and her race is kept.
    m_worker->jobs.push_back(
        // A spelling the teacher mended lands under the child she chose.
        {QStringLiteral("INSERT INTO races (id, started, name, adaptation, class, sent, child, "
                        "secret) VALUES (?, ?, ?, ?, ?, ?, coalesce((SELECT child FROM aliases "
                        "WHERE typed = ?), ?), ?)"),
         {m_race, timestamp(start), name.isNull() ? QStringLiteral("") : name, orNull(adaptation),
          orNull(className), m_sent, childKey(name), childKey(name), raceSecret()},
         {}});
    m_worker->thread = std::thread([worker = m_worker.get()] { worker->run(); });
}

RaceRecorder::~RaceRecorder()
{
    finish();
}

void RaceRecorder::answer(const QDateTime &at, int number, const QString &typed, bool right,
                          qint64 ms)
{
    if (m_worker)
        m_worker->push({QStringLiteral("INSERT INTO answers (race, seq, at, number, typed, right, "
                                       "ms, sent) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                        {m_race, ++m_answers, timestamp(at), number,
                         typed.isNull() ? QStringLiteral("") : typed, int(right), ms, m_sent},
                        m_race});
}

void RaceRecorder::end(Ending how, bool recordBeaten)
{
    if (m_worker)
        m_worker->push(
            {QStringLiteral("UPDATE races SET ending = ?, record_beaten = ? WHERE id = ?"),
             {endingText(how), int(recordBeaten), m_race},
             {}});
    finish();
}

void RaceRecorder::finish()
{
    if (!m_worker || !m_worker->thread.joinable())
        return;
    {
        const std::lock_guard lock(m_worker->mutex);
        m_worker->finishing = true;
        m_worker->deadline = Clock::now() + LockPatience;
    }
    m_worker->wake.notify_one();
    m_worker->thread.join();
}

} // namespace registro
