// SPDX-License-Identifier: GPL-3.0-or-later
#include "schema.h"

#include "classdata.h"
#include "register.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace registro {

namespace {
const char *const Tables[] = {
    "CREATE TABLE races (id INTEGER PRIMARY KEY, started TEXT NOT NULL, name TEXT NOT NULL, "
    "ended TEXT, right INTEGER NOT NULL DEFAULT 0, wrong INTEGER NOT NULL DEFAULT 0, "
    "total INTEGER NOT NULL DEFAULT 0, record_beaten INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE answers (id INTEGER PRIMARY KEY, race INTEGER NOT NULL REFERENCES races(id), "
    "at TEXT NOT NULL, number INTEGER NOT NULL, typed TEXT NOT NULL, right INTEGER NOT NULL, "
    "ms INTEGER NOT NULL)",
    "CREATE INDEX answers_by_race ON answers(race)",
    "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT)",
};

QString newConnection(const QString &path, const QString &options)
{
    static std::atomic<int> counter;
    const QString name = QStringLiteral("registro-%1").arg(++counter);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(options);
    return name;
}

// The value of a PRAGMA; on failure the error is left in why.
qint64 pragma(QSqlDatabase &db, const char *name, QString *why)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("PRAGMA %1").arg(QLatin1String(name))) && query.next())
        return query.value(0).toLongLong();
    // SQLite's "not a database": say it in the teacher's words.
    *why = query.lastError().nativeErrorCode() == QLatin1String("26")
               ? QStringLiteral("non è un registro di dieci")
               : query.lastError().text();
    return -1;
}
} // namespace

namespace {
const QString StampFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
}

QString timestamp(const QDateTime &time)
{
    return time.toString(StampFormat);
}

QDateTime fromTimestamp(const QString &stamp)
{
    return QDateTime::fromString(stamp, StampFormat);
}

bool recordingOn(const QString &connection)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    return !(query.exec(QStringLiteral("SELECT value FROM settings WHERE key = 'attivo'")) &&
             query.next() && query.value(0).toString() == QLatin1String("0"));
}

QString openConnection(const QString &path, OpenMode mode, QString *why)
{
    // A short wait for a teacher's program that is reading: longer would be a
    // pause the child notices.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=100");
    if (mode == OpenMode::ReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    const QString name = newConnection(path, options);
    QSqlDatabase db = QSqlDatabase::database(name, false);
    why->clear();
    if (!db.open())
        *why = db.lastError().text();
    const qint64 id = why->isEmpty() ? pragma(db, "application_id", why) : -1;
    const qint64 version = why->isEmpty() ? pragma(db, "user_version", why) : -1;
    // Else why holds the database's own reason: damaged, locked, unreadable.
    if (why->isEmpty() && id != ApplicationId)
        *why = QStringLiteral("non è un registro di dieci");
    else if (why->isEmpty() && version > SchemaVersion && mode == OpenMode::ReadWrite)
        *why = QStringLiteral("registro di una versione più recente di dieci");
    if (why->isEmpty())
        return name;
    db = QSqlDatabase();
    closeConnection(name);
    return {};
}

void closeConnection(const QString &connection)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

bool createRegister(const QString &path, QString *error)
{
    if (QFileInfo::exists(path)) {
        // Already on; or something else that must not be touched.
        const QString name = openConnection(path, OpenMode::ReadOnly, error);
        if (name.isEmpty())
            return false;
        closeConnection(name);
        return setRecording(path, true, error);
    }
    const QString name = newConnection(path, {});
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        ok = db.open();
        // Children's names: readable by this account only.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QSqlQuery query(db);
        for (const QString &statement :
             {QStringLiteral("PRAGMA journal_mode = WAL"),
              QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId),
              QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)})
            ok = ok && query.exec(statement);
        for (const char *table : Tables)
            ok = ok && query.exec(QLatin1String(table));
        if (!ok)
            *error = query.lastError().text();
    }
    closeConnection(name);
    if (!ok)
        QFile::remove(path);
    return ok;
}

} // namespace registro
