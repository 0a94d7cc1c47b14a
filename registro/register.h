// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

namespace registro {

// The class register: one SQLite file beside the record. It exists only once
// the teacher has turned it on; the drill never creates it.
inline constexpr char FileName[] = "registro.sqlite";
inline constexpr int SchemaVersion = 1;

QString registerPath(const QString &dir); // dir ends with its separator

enum class Ending { Clock, Exit, NewRace, WindowClosed };

// Turns the register on: creates it empty. An existing register is kept as it
// is; an existing file that is not one is refused and left untouched.
bool createRegister(const QString &path, QString *error);

// Writes every row of the register, one per answer, as a semicolon-separated
// UTF-8 file (with BOM) that a spreadsheet in Italian opens as it is.
bool exportCsv(const QString &path, const QString &csvPath, QString *error);

// One race in the register, when there is a register: the race as it starts,
// each judged answer committed as it is judged, and how the race ended. It
// never disturbs the race: the first failure (locked, damaged, full, read-only,
// a newer register) leaves one line on standard error and stops recording.
class RaceRecorder {
public:
    RaceRecorder(const QString &path, const QDateTime &start, const QString &name);
    ~RaceRecorder();
    RaceRecorder(const RaceRecorder &) = delete;
    RaceRecorder &operator=(const RaceRecorder &) = delete;

    bool recording() const { return m_on; }
    void answer(const QDateTime &at, int number, const QString &typed, bool right, qint64 ms);
    void end(Ending how, int right, int wrong, bool recordBeaten);

private:
    void stop(const QString &why);

    QString m_path;
    QString m_connection;
    qint64 m_race = 0;
    bool m_on = false;
};

} // namespace registro
