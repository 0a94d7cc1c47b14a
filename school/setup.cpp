// SPDX-License-Identifier: GPL-3.0-or-later
// Making the school's database ready: tables, functions, the two roles.
#include "server.h"
#include "serverdetail.h"

#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace registro::server {

namespace {
QString newPassword()
{
    static const QString alphabet =
        QStringLiteral("abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789");
    QString password;
    for (int i = 0; i < 24; ++i)
        password += alphabet[int(QRandomGenerator::system()->bounded(alphabet.size()))];
    return password;
}

QString identifier(const QSqlDatabase &db, const QString &name)
{
    return db.driver()->escapeIdentifier(name, QSqlDriver::TableName);
}

QString literal(const QSqlDatabase &db, const QVariant &value)
{
    QSqlField field(QStringLiteral("v"), value.metaType());
    field.setValue(value);
    return db.driver()->formatValue(field);
}

// The server's copy of the register. Races carry their class and the child
// as the window groups her (childKey), so every figure is one GROUP BY away.
const char *const Schema[] = {
    "CREATE SCHEMA IF NOT EXISTS dieci",
    "CREATE TABLE IF NOT EXISTS dieci.info (key text PRIMARY KEY, value text NOT NULL)",
    "CREATE TABLE IF NOT EXISTS dieci.races (id uuid PRIMARY KEY, class text NOT NULL, "
    "child text NOT NULL, name text NOT NULL, started timestamp NOT NULL, ending text, "
    "record_beaten boolean NOT NULL DEFAULT false, adaptation text, computer text, "
    "received timestamptz NOT NULL DEFAULT now())",
    "CREATE INDEX IF NOT EXISTS races_by_class ON dieci.races (class, child, started)",
    "CREATE TABLE IF NOT EXISTS dieci.answers (race uuid NOT NULL REFERENCES dieci.races(id) "
    "ON DELETE CASCADE, seq integer NOT NULL, at timestamp NOT NULL, number integer NOT NULL, "
    "typed text NOT NULL, correct boolean NOT NULL, ms bigint NOT NULL, "
    // The key carries what the teacher's window counts: a class is read from
    // the index alone, wherever its answers lie in the table.
    "PRIMARY KEY (race, seq) INCLUDE (at, number, correct, ms))",
    // Races a teacher deleted: a computer that sends one again adds nothing.
    "CREATE TABLE IF NOT EXISTS dieci.deleted_races (id uuid PRIMARY KEY)",
    // The roles' passwords, so that running the setup again prints the same lines.
    "CREATE TABLE IF NOT EXISTS dieci.passwords (role text PRIMARY KEY, password text NOT NULL)",
    "REVOKE ALL ON ALL TABLES IN SCHEMA dieci FROM PUBLIC",
    // The children's role reaches the tables only through these two, which
    // add and never read back, change or delete: ON CONFLICT would need the
    // right to read the keys.
    "CREATE OR REPLACE FUNCTION dieci.add_races(batch json) RETURNS integer LANGUAGE sql "
    "SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$ "
    "WITH added AS (INSERT INTO dieci.races AS r (id, class, child, name, started, ending, "
    "record_beaten, adaptation, computer) SELECT x.id, x.class, x.child, x.name, x.started, "
    "x.ending, coalesce(x.beaten, false), x.adaptation, x.computer FROM json_to_recordset(batch) "
    "AS x(id uuid, class text, child text, name text, started timestamp, ending text, "
    "beaten boolean, adaptation text, computer text) WHERE NOT EXISTS (SELECT 1 FROM "
    "dieci.deleted_races d WHERE d.id = x.id) ON CONFLICT (id) DO UPDATE SET ending = "
    "EXCLUDED.ending, record_beaten = EXCLUDED.record_beaten WHERE r.ending IS NULL AND "
    "EXCLUDED.ending IS NOT NULL RETURNING 1) SELECT count(*)::integer FROM added $f$",
    "CREATE OR REPLACE FUNCTION dieci.add_answers(batch json) RETURNS integer LANGUAGE sql "
    "SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$ "
    "WITH added AS (INSERT INTO dieci.answers (race, seq, at, number, typed, correct, ms) "
    "SELECT x.race, x.seq, x.at, x.number, x.typed, x.correct, x.ms FROM "
    "json_to_recordset(batch) AS x(race uuid, seq integer, at timestamp, number integer, "
    "typed text, correct boolean, ms bigint) WHERE EXISTS (SELECT 1 FROM dieci.races r WHERE "
    "r.id = x.race) ON CONFLICT (race, seq) DO NOTHING RETURNING 1) "
    "SELECT count(*)::integer FROM added $f$",
    "REVOKE ALL ON FUNCTION dieci.add_races(json), dieci.add_answers(json) FROM PUBLIC",
};

QString roleName(const QString &dbname, const char *suffix)
{
    QString name = dbname.toLower();
    for (QChar &c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
            c = u'_';
    return name + u'_' + QLatin1String(suffix);
}

QString errorOf(const QSqlQuery &query)
{
    return detail::oneLine(query.lastError().databaseText());
}
} // namespace

Prepared prepare(const QString &ownerConninfo)
{
    Prepared result;
    const QString name = QStringLiteral("dieci-prepara");
    {
        result.error = detail::open(ownerConninfo, name);
        if (!result.error.isEmpty()) {
            QSqlDatabase::removeDatabase(name);
            return result;
        }
        QSqlDatabase db = QSqlDatabase::database(name, false);
        QSqlQuery q(db);
        const auto run = [&](const QString &sql) {
            if (!result.error.isEmpty())
                return false;
            if (q.exec(sql))
                return true;
            result.error = errorOf(q);
            return false;
        };
        const ConnInfo owner = parseConnInfo(ownerConninfo);
        // Two setups at once would race for the roles: one waits for the other.
        run(QStringLiteral("BEGIN"));
        run(QStringLiteral("SELECT pg_advisory_xact_lock(4469656369)"));
        if (run(QStringLiteral("SELECT to_regclass('dieci.info') IS NOT NULL")) && q.next() &&
            q.value(0).toBool() &&
            run(QStringLiteral("SELECT value FROM dieci.info WHERE key = 'version'")) && q.next() &&
            q.value(0).toInt() > ServerVersion)
            result.error = QStringLiteral("tabelle di una versione più recente di dieci");
        for (const char *statement : Schema)
            run(QLatin1String(statement));
        QString database;
        if (run(QStringLiteral("SELECT current_database()")) && q.next())
            database = q.value(0).toString();
        const QString children = roleName(database, "alunni");
        const QString teachers = roleName(database, "docenti");
        QString passwords[2];
        const QString roles[2] = {children, teachers};
        for (int r = 0; r < 2 && result.error.isEmpty(); ++r) {
            q.prepare(QStringLiteral("SELECT password FROM dieci.passwords WHERE role = ?"));
            q.addBindValue(roles[r]);
            if (!q.exec())
                result.error = errorOf(q);
            else if (q.next())
                passwords[r] = q.value(0).toString();
            q.prepare(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"));
            q.addBindValue(roles[r]);
            const bool exists = q.exec() && q.next();
            if (passwords[r].isEmpty())
                passwords[r] = newPassword();
            // The stored password is set again: the lines printed the first
            // time keep working even if someone changed it meanwhile.
            run(QStringLiteral("%1 ROLE %2 LOGIN NOINHERIT PASSWORD %3")
                    .arg(exists ? "ALTER" : "CREATE", identifier(db, roles[r]),
                         literal(db, passwords[r])));
            q.prepare(QStringLiteral("INSERT INTO dieci.passwords (role, password) VALUES (?, ?) "
                                     "ON CONFLICT (role) DO UPDATE SET password = "
                                     "EXCLUDED.password"));
            q.addBindValue(roles[r]);
            q.addBindValue(passwords[r]);
            if (result.error.isEmpty() && !q.exec())
                result.error = errorOf(q);
        }
        const QString c = identifier(db, children);
        const QString t = identifier(db, teachers);
        for (const QString &grant :
             {QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2, %3")
                  .arg(identifier(db, database), c, t),
              QStringLiteral("GRANT USAGE ON SCHEMA dieci TO %1, %2").arg(c, t),
              QStringLiteral("GRANT SELECT ON dieci.info TO %1, %2").arg(c, t),
              QStringLiteral("GRANT EXECUTE ON FUNCTION dieci.add_races(json), "
                             "dieci.add_answers(json) TO %1")
                  .arg(c),
              QStringLiteral("GRANT SELECT, DELETE ON dieci.races, dieci.answers TO %1").arg(t),
              QStringLiteral("GRANT SELECT, INSERT ON dieci.deleted_races TO %1").arg(t),
              QStringLiteral("INSERT INTO dieci.info VALUES ('version', '%1') ON CONFLICT (key) "
                             "DO UPDATE SET value = EXCLUDED.value")
                  .arg(ServerVersion),
              QStringLiteral("COMMIT")})
            run(grant);
        if (!result.error.isEmpty())
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        const auto settingsFor = [&owner](const QString &role, const QString &password) {
            ConnInfo info = owner;
            info.user = role;
            info.password = password;
            return QStringLiteral("server=\"%1\"\n").arg(connInfoText(info));
        };
        result.labBlock =
            QStringLiteral("[registro]\nattivo=true\n") + settingsFor(children, passwords[0]);
        result.teacherBlock = QStringLiteral("[registro]\n") + settingsFor(teachers, passwords[1]);
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace registro::server
