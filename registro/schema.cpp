// SPDX-License-Identifier: GPL-3.0-or-later
#include "schema.h"

#include "register.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>
#include <QtEndian>

#include <atomic>

namespace registro::schema {

namespace {
// Per child, by the folded name: the race length in minutes (0: no clock),
// practice on the facts she does not know yet, and when the teacher set it
// (on a shared home the newest setting in any computer's file wins).
const char *const AdaptationsTable =
    "CREATE TABLE IF NOT EXISTS adaptations (child TEXT PRIMARY KEY NOT NULL, "
    "minutes INTEGER NOT NULL DEFAULT 5, practice INTEGER NOT NULL DEFAULT 0, changed TEXT)";

// What the school's server has not confirmed yet, found without a scan.
const char *const UnsentIndexes[] = {
    "CREATE INDEX races_unsent ON races(id) WHERE sent < 2",
    "CREATE INDEX answers_unsent ON answers(race, seq) WHERE sent = 0",
};

const char *const Tables[] = {
    "CREATE TABLE races (id TEXT PRIMARY KEY NOT NULL, started TEXT NOT NULL, "
    "name TEXT NOT NULL, ending TEXT, record_beaten INTEGER NOT NULL DEFAULT 0, adaptation TEXT, "
    "class TEXT, sent INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE answers (race TEXT NOT NULL REFERENCES races(id) ON DELETE CASCADE, "
    "seq INTEGER NOT NULL, at TEXT NOT NULL, number INTEGER NOT NULL, typed TEXT NOT NULL, "
    "right INTEGER NOT NULL, ms INTEGER NOT NULL, sent INTEGER NOT NULL DEFAULT 0, "
    "PRIMARY KEY (race, seq))",
    "CREATE INDEX answers_by_time ON answers(at)",
    "CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY, value TEXT)",
    AdaptationsTable,
    UnsentIndexes[0],
    UnsentIndexes[1],
};

const QString NotARegister = QStringLiteral("non è un registro di dieci");

QString damagedBecause(const QString &what)
{
    return QStringLiteral("danneggiato (%1)").arg(what);
}

// What the first 100 bytes say, read as plain bytes: SQLite never sees a file
// that fails here, so it can neither recover nor fold a journal into it.
QString checkHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const QByteArray h = file.read(100);
    if (h.size() < 100 || !h.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return NotARegister;
    const auto u32 = [&h](int at) { return qFromBigEndian<quint32>(h.constData() + at); };
    if (u32(68) != quint32(ApplicationId))
        return NotARegister;
    quint32 pageSize = qFromBigEndian<quint16>(h.constData() + 16);
    pageSize = pageSize == 1 ? 65536 : pageSize;
    if (pageSize < 512 || (pageSize & (pageSize - 1)))
        return damagedBecause(QStringLiteral("intestazione non valida"));
    // The page count is valid when it was written with the change counter.
    if (u32(92) == u32(24) && qint64(u32(28)) * pageSize > file.size())
        return damagedBecause(QStringLiteral("file troncato"));
    return {};
}

// Read-only connections, in the order tried: one that leaves an existing -shm
// as it is; one that makes the -shm (an index SQLite rebuilds, never data);
// on a read-only medium without a journal, one that trusts the file alone.
const char *const ReadOnlyWays[] = {"?readonly_shm=1", "", "?immutable=1"};

QString openReadOnly(const QString &path, const char *way)
{
    const QString name = newConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QLatin1String(way));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;"
                                        "QSQLITE_BUSY_TIMEOUT=2000"));
    db.open();
    return name;
}

QString firstValue(QSqlDatabase &db, const QString &sql, QString *why)
{
    QSqlQuery query(db);
    if (query.exec(sql) && query.next())
        return query.value(0).toString();
    if (why->isEmpty())
        *why = query.lastError().nativeErrorCode() == QLatin1String("26")
                   ? NotARegister
                   : query.lastError().databaseText();
    return {};
}

Check checkContents(QSqlDatabase &db)
{
    Check c;
    const QString quick = firstValue(db, QStringLiteral("PRAGMA quick_check"), &c.why);
    if (c.why.isEmpty() && quick != QLatin1String("ok")) {
        // The first finding is enough, on one line: "Page 7: btreeInitPage() ...".
        QStringList findings = quick.split(u'\n', Qt::SkipEmptyParts);
        findings.removeIf([](const QString &line) { return line.startsWith(u'*'); });
        c.why = damagedBecause(findings.value(0, quick.simplified()));
    }
    const qint64 id = firstValue(db, QStringLiteral("PRAGMA application_id"), &c.why).toLongLong();
    c.version = firstValue(db, QStringLiteral("PRAGMA user_version"), &c.why).toInt();
    if (c.why.isEmpty() && (id != ApplicationId || c.version < 1))
        c.why = NotARegister;
    QStringList tables = {"races", "answers", "settings"};
    if (c.version >= 2)
        tables << "adaptations";
    for (const QString &table : tables) {
        const QString sql =
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                .arg(table);
        if (c.why.isEmpty() && firstValue(db, sql, &c.why).isEmpty() && c.why.isEmpty())
            c.why = damagedBecause(QStringLiteral("manca la tabella %1").arg(table));
    }
    c.damaged = !c.why.isEmpty();
    return c;
}
// Runs statements on one query; the first failure's text goes into why.
auto statementsOn(QSqlQuery &q, QString *why)
{
    return [&q, why](const QString &sql) {
        if (q.exec(sql))
            return true;
        *why = q.lastError().databaseText();
        return false;
    };
}
} // namespace

QString newConnectionName()
{
    static std::atomic<int> counter;
    return QStringLiteral("registro-%1").arg(++counter);
}

Check check(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {QStringLiteral("il registro non esiste"), false, 0, {}};
    // A FIFO would block the open; a device or a folder is nobody's register.
    if (!info.isFile())
        return {QStringLiteral("non è un file normale"), false, 0, {}};
    if (QString why = checkHeader(path); !why.isEmpty())
        return {why, true, 0, {}};
    Check c;
    const bool journal = QFileInfo::exists(path + QStringLiteral("-wal"));
    for (const char *way : ReadOnlyWays) {
        if (journal && QLatin1String(way) == QLatin1String("?immutable=1"))
            break;
        const QString name = openReadOnly(path, way);
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            c = db.isOpen() ? checkContents(db) : Check{db.lastError().databaseText(), true, 0, {}};
        }
        if (c.why.isEmpty()) {
            c.connection = name;
            return c;
        }
        QSqlDatabase::removeDatabase(name);
        // Anything but SQLITE_CANTOPEN is the file's own answer.
        if (!c.why.contains(QLatin1String("unable to open")))
            break;
    }
    return c;
}

bool createTables(QSqlDatabase &db, QString *why)
{
    QSqlQuery query(db);
    for (const char *table : Tables)
        if (!query.exec(QLatin1String(table))) {
            *why = query.lastError().databaseText();
            return false;
        }
    return true;
}

bool upgradeFromV1(QSqlDatabase &db, QString *why)
{
    QSqlQuery q(db);
    const auto run = statementsOn(q, why);
    if (!run(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    bool ok = run(QStringLiteral("ALTER TABLE answers RENAME TO answers_v1")) &&
              run(QStringLiteral("ALTER TABLE races RENAME TO races_v1")) &&
              createTables(db, why) &&
              run(QStringLiteral("CREATE TEMP TABLE ids (old INTEGER PRIMARY KEY, id TEXT)")) &&
              run(QStringLiteral("SELECT id FROM races_v1"));
    QList<qint64> old;
    while (ok && q.next())
        old.append(q.value(0).toLongLong());
    for (qint64 id : old) {
        ok = ok && q.prepare(QStringLiteral("INSERT INTO ids VALUES (?, ?)"));
        q.addBindValue(id);
        q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
        ok = ok && q.exec();
    }
    // Answers whose race is gone (a child deleted mid-race) belong to nobody.
    ok = ok &&
         run(QStringLiteral("INSERT INTO races (id, started, name, ending, record_beaten) "
                            "SELECT ids.id, started, name, CASE ended WHEN 'tempo scaduto' THEN "
                            "'fine' ELSE ended END, record_beaten "
                            "FROM races_v1 JOIN ids ON ids.old = races_v1.id")) &&
         run(QStringLiteral("INSERT INTO answers (race, seq, at, number, typed, right, ms) "
                            "SELECT ids.id, ROW_NUMBER() OVER "
                            "(PARTITION BY a.race ORDER BY a.id), a.at, a.number, a.typed, "
                            "a.right, a.ms FROM answers_v1 a JOIN ids ON ids.old = a.race")) &&
         run(QStringLiteral("DROP TABLE answers_v1")) &&
         run(QStringLiteral("DROP TABLE races_v1")) && run(QStringLiteral("DROP TABLE temp.ids")) &&
         run(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)) &&
         run(QStringLiteral("COMMIT"));
    if (!ok) {
        if (why->isEmpty())
            *why = q.lastError().databaseText();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    }
    return ok;
}

bool upgradeFromV2(QSqlDatabase &db, QString *why)
{
    QSqlQuery q(db);
    const auto run = statementsOn(q, why);
    if (!run(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    // Races played before a class was known stay in this register only.
    const bool ok = run(QStringLiteral("ALTER TABLE races ADD COLUMN class TEXT")) &&
                    run(QStringLiteral("ALTER TABLE races ADD COLUMN sent INTEGER NOT NULL "
                                       "DEFAULT 0")) &&
                    run(QStringLiteral("ALTER TABLE answers ADD COLUMN sent INTEGER NOT NULL "
                                       "DEFAULT 0")) &&
                    run(QStringLiteral("ALTER TABLE adaptations ADD COLUMN changed TEXT")) &&
                    run(QLatin1String(UnsentIndexes[0])) && run(QLatin1String(UnsentIndexes[1])) &&
                    run(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)) &&
                    run(QStringLiteral("COMMIT"));
    if (!ok)
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return ok;
}

QString raceKeyPrefix(int version, const QString &path)
{
    return version == 1 ? QFileInfo(path).canonicalFilePath() + u':' : QString();
}

QString racesQuery(int version)
{
    if (version == 1)
        return QStringLiteral("SELECT CAST(id AS TEXT) AS id, started, name, CASE ended WHEN "
                              "'tempo scaduto' THEN 'fine' ELSE ended END AS ending, "
                              "record_beaten, NULL AS adaptation FROM races");
    return QStringLiteral("SELECT id, started, name, ending, record_beaten, adaptation FROM races");
}

QString answersQuery(int version)
{
    return version == 1
               ? QStringLiteral("SELECT CAST(race AS TEXT) AS race, id AS seq, at, number, "
                                "typed, right, ms FROM answers")
               : QStringLiteral("SELECT race, seq, at, number, typed, right, ms FROM answers");
}

} // namespace registro::schema
