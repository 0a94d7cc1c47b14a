// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"
#include "error.h"
#include "fileclaim.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace registro {

// The class register: one SQLite file beside the record. It exists only once
// the teacher has turned it on; the drill never creates it.
inline constexpr char FileName[] = "registro.sqlite";
inline constexpr int SchemaVersion = 7;
// Marks a SQLite file as a register of dieci ("DIEC").
inline constexpr qint64 ApplicationId = 0x44494543;

QString registerPath(const QString &dir); // dir ends with its separator
// The register this computer writes in dir. A home on a network file system
// is shared by many computers at once, and SQLite's locks do not hold across
// them: there each computer keeps a file of its own, registro-<computer>.sqlite,
// with a rollback journal, as WAL needs memory shared on one machine.
QString ownRegisterPath(const QString &dir, bool networkHome, const QString &computer);
// Whether path is one computer's file of a shared home, never put in WAL mode.
bool perComputer(const QString &path);
// Every register in dir: the account's and each computer's, which the teacher
// reads together.
QStringList registersIn(const QString &dir);

// How times are stored: local time to the millisecond, sortable as text.
QString timestamp(const QDateTime &time);
QDateTime fromTimestamp(const QString &stamp);

enum class Access { ReadWrite, ReadOnly };

// One register on a connection of its own, checked before anything is read or
// written: a file that fails the check (damaged, not a register, a table
// missing) is never opened for writing, so neither it nor its -wal and -shm
// change. A failure is a value: open() gives a closed Register whose error()
// says what kind of failure it was, and why in Italian. Closing a writable
// register folds its journal into the file, so the file alone holds every
// race that was written.
class Register {
public:
    Register() = default;
    ~Register();
    Register(Register &&other) noexcept;
    Register &operator=(Register &&other) noexcept;
    Register(const Register &) = delete;
    Register &operator=(const Register &) = delete;

    static Register open(const QString &path, Access access);
    // A reading for a race about to start, quick at any size: the file is
    // checked for what it is but not read whole (a damaged page fails the
    // reading, and the race's writer finds it). read gets the register, open
    // or with its error, only until it returns, and must open no register.
    static void glance(const QString &path, const std::function<void(const Register &)> &read);
    // Turns the register on: creates it empty, or switches an existing one
    // back on. Anything at the path that is not a whole register is refused.
    static Register create(const QString &path);

    bool isOpen() const { return !m_connection.isEmpty(); }
    const QString &path() const { return m_path; }
    const Error &error() const { return m_error; }
    // The error as the teacher reads it, naming the register.
    QString problem() const;
    bool writable() const { return m_writable; }
    int version() const { return m_version; }
    QSqlDatabase database() const;

    // Whether the teacher left recording on (a register without the setting records).
    bool recording() const;
    // Empty on success, else why not.
    QString setRecording(bool on);
    // Deletes every race and answer of one child (names compared as childKey).
    // The number of races deleted, or -1 with the reason in error().
    int deleteChild(const QString &name);
    // The child a typed name stands for: its childKey, or the child the
    // teacher folded that spelling into.
    QString childOf(const QString &name) const;
    // Puts the races and settings of the child from stands for under to (a
    // new name, or another child's: a merge); to becomes the name she is
    // shown under, and from, typed again, lands under her. The number of
    // races moved, or -1 with the reason in error().
    int renameChild(const QString &from, const QString &to);

    // A child's settings (names compared as childKey); the default when none.
    Adaptation adaptation(const QString &name) const;
    // Empty on success, else why not. The default is kept as her setting.
    QString setAdaptation(const QString &name, const Adaptation &adaptation);
    // When her settings were last set here; empty when never, or not known.
    QString adaptationChanged(const QString &name) const;

    void close();

private:
    Register &fail(Error why);
    bool openForWriting();

    QString m_path;
    QString m_connection;
    FileClaim m_claim; // held as long as the connection
    Error m_error;
    bool m_writable = false;
    int m_version = 0;
};

// What a race about to start needs of one child, read at a glance from every
// register (each computer's file of a shared home): her settings, the ones set
// last winning, and, when they ask for practice, her recent answers
// (recentAnswersOf()), oldest first. What cannot be read counts as nothing
// set: the race's writer says why. A setting already known (the school's
// server's) takes the place of the registers'.
struct RaceSettings {
    Adaptation adaptation;
    QList<AnswerRow> recent;
};
RaceSettings raceSettingsOf(const QStringList &paths, const QString &name,
                            const std::optional<Adaptation> &set = {});

// Which rows an export writes: by child (as childKey) and by the local date of
// the answer, both days included. Empty or invalid fields do not filter.
struct ExportFilter {
    QString name;
    QDate from;
    QDate to;
    // Each child under one name, as the teacher's window shows her, rather
    // than as typed in each race.
    bool classNames = false;
};

// Writes one row per answer as a semicolon-separated UTF-8 file (with BOM)
// that a spreadsheet in Italian opens as it is, streaming into a temporary
// file that takes the name only once it is whole. Several registers are
// written one after the other, a race that is in two of them once. Empty on
// success, else one line naming the CSV file, and the register too when the
// register is the cause.
// rows, when given, counts the answers written.
QString exportCsv(const QStringList &paths, const QString &csvPath, const ExportFilter &filter = {},
                  qint64 *rows = nullptr);
inline QString exportCsv(const QString &path, const QString &csvPath,
                         const ExportFilter &filter = {})
{
    return exportCsv(QStringList{path}, csvPath, filter);
}

} // namespace registro
