// SPDX-License-Identifier: GPL-3.0-or-later
// The register's file format, step by step from the first version.
#include "register.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <functional>

#include <csignal>
#include <unistd.h>

namespace registro::schema {

namespace {
// Another program's upgrade of a large register takes a while.
constexpr int BusyTries = 50; // of the connection's own 200 ms wait

const QString NeverToSend[] = {
    // Races played before a class was known stay in this register only.
    QStringLiteral("UPDATE races SET sent = %1 WHERE class IS NULL AND sent = %2")
        .arg(sent::Never)
        .arg(sent::No),
    QStringLiteral("UPDATE answers SET sent = %1 WHERE sent = %2 AND race IN "
                   "(SELECT id FROM races WHERE sent = %1)")
        .arg(sent::Never)
        .arg(sent::No),
};

// A race of version 1 was a number, unique in its file only: it becomes a
// random UUID, as races have been since.
const QString RandomUuid = QStringLiteral(
    "lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
    "substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + abs(random()) % 4, 1) || "
    "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))");

QStringList fromV1()
{
    QStringList s{QStringLiteral("ALTER TABLE answers RENAME TO answers_v1"),
                  QStringLiteral("ALTER TABLE races RENAME TO races_v1")};
    s << tables();
    s << QStringLiteral("CREATE TEMP TABLE ids (old INTEGER PRIMARY KEY, id TEXT)")
      << QStringLiteral("INSERT INTO temp.ids SELECT id, %1 FROM races_v1").arg(RandomUuid)
      << QStringLiteral("INSERT INTO races (id, started, name, ending, record_beaten) "
                        "SELECT ids.id, started, name, CASE ended WHEN 'tempo scaduto' THEN "
                        "'fine' ELSE ended END, record_beaten "
                        "FROM races_v1 JOIN temp.ids ids ON ids.old = races_v1.id")
      // Answers whose race is gone (a child deleted mid-race) belong to nobody.
      << QStringLiteral("INSERT INTO answers (race, seq, at, number, typed, right, ms) "
                        "SELECT ids.id, ROW_NUMBER() OVER (PARTITION BY a.race ORDER BY a.id), "
                        "a.at, a.number, a.typed, a.right, a.ms "
                        "FROM answers_v1 a JOIN temp.ids ids ON ids.old = a.race")
      << QStringLiteral("DROP TABLE answers_v1") << QStringLiteral("DROP TABLE races_v1")
      << QStringLiteral("DROP TABLE temp.ids");
    for (const QString &statement : NeverToSend)
        s << statement;
    return s;
}

Error sqlError(const QSqlQuery &query)
{
    Error e = errorOf(query.lastError());
    if (!e)
        e = {ErrorKind::Other, QStringLiteral("errore sconosciuto")};
    return e;
}

// Tries again while another program holds the register, up to a point.
Error patiently(const std::function<Error()> &attempt)
{
    Error e;
    for (int i = 0; i < BusyTries; ++i)
        if (e = attempt(); !e.busy())
            break;
    return e;
}

// One step, whichever is due now: the version is read inside the transaction.
Error runStep(QSqlDatabase &db, int *version)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return sqlError(q);
    Error e;
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        e = sqlError(q);
    const int now = e ? 0 : q.value(0).toInt();
    q.finish();
    const Step *step = nullptr;
    for (const Step &s : steps())
        if (s.from == now)
            step = &s;
    if (!e && now > SchemaVersion)
        e = {ErrorKind::Newer, QStringLiteral("registro di una versione più recente di dieci")};
    else if (!e && now < SchemaVersion && !step)
        e = {ErrorKind::Damaged, QStringLiteral("danneggiato (versione %1 sconosciuta)").arg(now)};
    const QStringList statements = step && !e ? step->statements : QStringList{};
    for (const QString &statement : statements)
        if (!q.exec(statement)) {
            e = sqlError(q);
            break;
        }
    // SQLite folds only ASCII: the child's key is made here, as everywhere.
    if (!e && step && step->to >= 4)
        e = fillChildKeys(db);
    if (!e && step && !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(step->to)))
        e = sqlError(q);
    if (!e && !q.exec(QStringLiteral("COMMIT")))
        e = sqlError(q);
    if (e) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return e;
    }
    *version = step ? step->to : now;
    return {};
}

// A copy of the register through its own connection: a plain copy would open
// the file beside it, dropping the process's locks.
Error backUp(QSqlDatabase &db, const QString &copy)
{
    QFile::remove(copy);
    QFile file(copy);
    // Children's names: readable by this account only, from the first byte.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return {ErrorKind::Io, QStringLiteral("impossibile copiare il registro in %1: %2")
                                   .arg(copy, file.errorString())};
    file.close();
    return patiently([&] {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("VACUUM INTO ?"));
        q.addBindValue(copy);
        return q.exec() ? Error{} : sqlError(q);
    });
}
} // namespace

Error fillChildKeys(QSqlDatabase &db)
{
    QSqlQuery read(db), write(db);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("SELECT id, name FROM races WHERE child IS NULL")))
        return sqlError(read);
    if (!write.prepare(QStringLiteral("UPDATE races SET child = ? WHERE id = ?")))
        return sqlError(write);
    while (read.next()) {
        write.addBindValue(childKey(read.value(1).toString()));
        write.addBindValue(read.value(0));
        if (!write.exec())
            return sqlError(write);
    }
    return read.lastError().isValid() ? sqlError(read) : Error{};
}

const QList<Step> &steps()
{
    static const QList<Step> list{
        {1, SchemaVersion, fromV1()},
        {2,
         3,
         {QStringLiteral("ALTER TABLE races ADD COLUMN class TEXT"),
          QStringLiteral("ALTER TABLE races ADD COLUMN sent INTEGER NOT NULL DEFAULT 0"),
          QStringLiteral("ALTER TABLE answers ADD COLUMN sent INTEGER NOT NULL DEFAULT 0"),
          QStringLiteral("ALTER TABLE adaptations ADD COLUMN changed TEXT"),
          QStringLiteral("CREATE INDEX races_unsent ON races(id) WHERE sent < 2")}},
        {3, 4,
         QStringList{QStringLiteral("ALTER TABLE races ADD COLUMN child TEXT"),
                     QStringLiteral("CREATE INDEX races_by_child ON races(child, started)"),
                     answersTable(QStringLiteral("answers_v4")),
                     QStringLiteral("INSERT INTO answers_v4 SELECT race, seq, at, number, typed, "
                                    "right, ms, sent FROM answers ORDER BY race, seq"),
                     // Its indexes go with it, the sending index of every answer too.
                     QStringLiteral("DROP TABLE answers"),
                     QStringLiteral("ALTER TABLE answers_v4 RENAME TO answers"),
                     QStringLiteral("CREATE INDEX answers_by_time ON answers(at)")} +
             QStringList(std::begin(NeverToSend), std::end(NeverToSend))},
        {4, 5,
         QStringList{QStringLiteral("ALTER TABLE races ADD COLUMN answered INTEGER NOT NULL "
                                    "DEFAULT 0"),
                     QStringLiteral("ALTER TABLE races ADD COLUMN right_answers INTEGER NOT NULL "
                                    "DEFAULT 0"),
                     QStringLiteral("UPDATE races SET (answered, right_answers) = (SELECT "
                                    "count(*), coalesce(sum(right <> 0), 0) FROM answers WHERE "
                                    "answers.race = races.id)"),
                     // What proves to the school's server that a race is this register's.
                     QStringLiteral("ALTER TABLE races ADD COLUMN secret TEXT"),
                     QStringLiteral("UPDATE races SET secret = lower(hex(randomblob(16)))")} +
             countTriggers()},
        {5, 6, mendedNames()},
        {6,
         7,
         {QStringLiteral("ALTER TABLE adaptations ADD COLUMN voice INTEGER NOT NULL DEFAULT 0"),
          QStringLiteral("ALTER TABLE adaptations ADD COLUMN contrast INTEGER NOT NULL DEFAULT "
                         "0")}},
    };
    return list;
}

Error upgrade(QSqlDatabase &db, const QString &path, int seen)
{
    const QString copy =
        QStringLiteral("%1.v%2-%3").arg(path).arg(seen).arg(QCoreApplication::applicationPid());
    Error e = backUp(db, copy);
    for (int version = seen; !e && version < SchemaVersion;)
        e = patiently([&] { return runStep(db, &version); });
    // A failed step rolled back: the register is as it was, the copy not needed.
    QFile::remove(copy);
    if (!e)
        removeLeftoverCopies(path);
    return e;
}

void removeLeftoverCopies(const QString &path)
{
    const QFileInfo info(path);
    static const QRegularExpression copyName(QStringLiteral("^\\.v\\d+(?:-(\\d+))?$"));
    const QDir dir = info.dir();
    const QStringList found =
        dir.entryList({info.fileName() + QStringLiteral(".v*")}, QDir::Files | QDir::System);
    for (const QString &name : found) {
        const QRegularExpressionMatch match = copyName.match(name.mid(info.fileName().size()));
        if (!match.hasMatch())
            continue;
        // Another program may be copying right now, before its own upgrade.
        const pid_t pid = match.captured(1).toInt();
        if (pid > 0 && pid != getpid() && (::kill(pid, 0) == 0 || errno == EPERM))
            continue;
        QFile::remove(dir.filePath(name));
    }
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
