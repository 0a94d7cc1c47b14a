// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace registro {

enum class Ending { Clock, Exit, NewRace, WindowClosed };

// One race in the register, when there is a register. Nothing here waits for
// the disk: the race and each answer are queued, in order, for a thread with
// its own connection, which opens and checks the register and writes them.
// While another program holds the register, the queue waits for it. A real
// failure (damaged, not a register, full, read-only, a newer version) leaves
// one line on standard error and stops recording this race; the race itself
// goes on as ever.
struct RecorderOptions {
    // The class the race is played in, kept with it even when the school's
    // server hears of it days later.
    QString className;
    // Records on an account whose register does not exist yet, making it (the
    // lab's settings turned recording on for every account).
    bool create = false;
    // Called on the writer's thread after each commit: there is news to send.
    std::function<void()> written;
};

class RaceRecorder {
public:
    // adaptation: how the teacher set this child's race; empty for the race everyone plays.
    RaceRecorder(const QString &path, const QDateTime &start, const QString &name,
                 const QString &adaptation = {}, RecorderOptions options = {});
    ~RaceRecorder();
    RaceRecorder(const RaceRecorder &) = delete;
    RaceRecorder &operator=(const RaceRecorder &) = delete;

    void answer(const QDateTime &at, int number, const QString &typed, bool right, qint64 ms);
    // Records how the race ended, then finishes.
    void end(Ending how, bool recordBeaten);
    // Writes what is still queued, waiting out another program's lock for a
    // while, then leaves the register whole in its file and closes it.
    void finish();

private:
    struct Worker;
    std::unique_ptr<Worker> m_worker; // none when there is no register
    QString m_race;
    int m_answers = 0;
    int m_sent = 0; // what the school's server is to know of its rows
};

} // namespace registro
