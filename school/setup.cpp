// SPDX-License-Identifier: GPL-3.0-or-later
// Making the school's database ready: tables, functions, the two roles.
#include "pq.h"
#include "server.h"
#include "serverdetail.h"

#include <QRandomGenerator>

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

QString roleName(const QString &dbname, const char *suffix)
{
    QString name = dbname.toLower();
    for (QChar &c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
            c = u'_';
    return name + u'_' + QLatin1String(suffix);
}

// Makes or keeps one of the two roles. Its password changes only when the
// role is new or new ones are asked for: the server keeps no copy of it, and
// only its verifier, made here, is sent.
QString makeRole(Pq &db, const QString &role, bool rotate, QString *password)
{
    const Pq::Rows found = db.query("SELECT 1 FROM pg_roles WHERE rolname = $1", {role.toUtf8()});
    if (!found.why.isEmpty())
        return found.why;
    const bool exists = !found.rows.isEmpty();
    if (exists && !rotate)
        return {};
    *password = newPassword();
    const QString verifier = db.passwordVerifier(role, *password);
    if (verifier.isEmpty())
        return QStringLiteral("impossibile cifrare la password del ruolo %1").arg(role);
    return db
        .exec(QStringLiteral("%1 ROLE %2 LOGIN NOINHERIT PASSWORD %3")
                  .arg(exists ? "ALTER" : "CREATE", db.identifier(role), db.literal(verifier))
                  .toUtf8()
                  .constData())
        .why;
}

// What each role may do. The children's role adds through two functions and
// nothing else, a few connections at a time, each statement briefly.
QStringList grants(const Pq &db, const QString &database, const QString &children,
                   const QString &teachers)
{
    const QString c = db.identifier(children);
    const QString t = db.identifier(teachers);
    const QString d = db.identifier(database);
    return {
        QStringLiteral("REVOKE TEMPORARY ON DATABASE %1 FROM PUBLIC").arg(d),
        QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2, %3").arg(d, c, t),
        QStringLiteral("GRANT USAGE ON SCHEMA dieci TO %1, %2").arg(c, t),
        QStringLiteral("GRANT SELECT ON dieci.info TO %1, %2").arg(c, t),
        QStringLiteral("GRANT EXECUTE ON FUNCTION dieci.add_races(json), "
                       "dieci.add_answers(json) TO %1")
            .arg(c),
        QStringLiteral("GRANT EXECUTE ON FUNCTION dieci.race_settings(text, text) TO %1, %2")
            .arg(c, t),
        // Once: a school that raised it keeps its own.
        QStringLiteral("DO $d$ BEGIN IF (SELECT rolconnlimit FROM pg_roles WHERE rolname = "
                       "%1) = -1 THEN ALTER ROLE %2 CONNECTION LIMIT %3; END IF; END $d$")
            .arg(db.literal(children), c)
            .arg(ChildrenConnections),
        QStringLiteral("ALTER ROLE %1 SET statement_timeout = '10s'").arg(c),
        QStringLiteral("ALTER ROLE %1 SET idle_in_transaction_session_timeout = '60s'").arg(c),
        QStringLiteral("GRANT SELECT, DELETE ON dieci.races, dieci.answers TO %1").arg(t),
        QStringLiteral("GRANT SELECT ON dieci.classes TO %1").arg(t),
        QStringLiteral("GRANT SELECT, INSERT ON dieci.deleted_races TO %1").arg(t),
        QStringLiteral("GRANT SELECT, INSERT, UPDATE ON dieci.deleted_children TO %1").arg(t),
        QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON dieci.child_settings TO %1").arg(t),
        QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON dieci.aliases, dieci.names TO %1")
            .arg(t),
        QStringLiteral("GRANT UPDATE (child) ON dieci.races TO %1").arg(t),
        QStringLiteral("INSERT INTO dieci.info VALUES ('version', '%1') ON CONFLICT (key) "
                       "DO UPDATE SET value = EXCLUDED.value")
            .arg(ServerVersion)};
}

// This version's tables, checked not to be a later one's, and the classes.
void makeTables(Pq::Steps &s, const QStringList &classes)
{
    const Pq::Rows made = s.run(QStringLiteral("SELECT to_regclass('dieci.info') IS NOT NULL"));
    if (made.rows.value(0).value(0) == QLatin1String("t") &&
        s.run(QStringLiteral("SELECT value FROM dieci.info WHERE key = 'version'"))
                .rows.value(0)
                .value(0)
                .toInt() > ServerVersion)
        s.why = detail::NewerTables;
    for (const QString &statement : detail::schemaStatements())
        s.run(statement);
    for (const QString &className : classes)
        s.run(QStringLiteral("INSERT INTO dieci.classes VALUES ($1) ON CONFLICT DO NOTHING"),
              {className.trimmed().toUtf8()});
}

// The two settings blocks, for the lab's computers and the teachers'.
void writeBlocks(Prepared &result, const QString &ownerConninfo, const LabAddress &address,
                 const QString (&roles)[2], const QString (&passwords)[2])
{
    const auto settingsFor = [&](const QString &role, const QString &password) {
        const QString conninfo = labConnInfo(ownerConninfo, address, role, password, &result.error);
        return QStringLiteral("server=\"%1\"\n").arg(conninfo);
    };
    result.passwordsKept = passwords[0].isEmpty() && passwords[1].isEmpty();
    result.labBlock =
        QStringLiteral("[registro]\nattivo=true\n") + settingsFor(roles[0], passwords[0]);
    result.teacherBlock = QStringLiteral("[registro]\n") + settingsFor(roles[1], passwords[1]);
}

bool thisMachineOnly(const QString &host)
{
    return host.isEmpty() || host.startsWith(u'/') || host.startsWith(u'@') ||
           host == QLatin1String("localhost") || host.startsWith(QLatin1String("127.")) ||
           host == QLatin1String("::1");
}
} // namespace

ConnInfo withTls(ConnInfo info, bool verify)
{
    info.options.removeIf([](const QString &o) {
        return o.startsWith(QLatin1String("sslmode=")) ||
               o.startsWith(QLatin1String("sslrootcert="));
    });
    if (verify)
        info.options << QStringLiteral("sslmode=verify-full")
                     << QStringLiteral("sslrootcert=") + QLatin1String(CertificatePath);
    return info;
}

bool verifiesTls(const ConnInfo &info)
{
    return info.options.contains(QStringLiteral("sslmode=verify-full"));
}

QString labConnInfo(const QString &ownerConninfo, const LabAddress &address, const QString &role,
                    const QString &password, QString *why)
{
    const ConnInfo owner = parseConnInfo(ownerConninfo);
    ConnInfo lab;
    lab.host = address.host.isEmpty() ? owner.host : address.host;
    lab.port = address.host.isEmpty() && address.port < 0 ? owner.port : address.port;
    if (address.host.isEmpty() && thisMachineOnly(lab.host)) {
        if (why->isEmpty())
            *why =
                QStringLiteral("i computer del laboratorio non raggiungono il server come \"%1\": "
                               "serve --indirizzo con il nome del server nella rete della "
                               "scuola")
                    .arg(lab.host.isEmpty() ? QStringLiteral("socket locale") : lab.host);
        return {};
    }
    lab.dbname = owner.dbname;
    lab.user = role;
    lab.password = password;
    return connInfoText(withTls(lab, address.verifyTls));
}

Prepared prepare(const QString &ownerConninfo, const LabAddress &address,
                 const QStringList &classes, bool newPasswords)
{
    Prepared result;
    QString unreachable;
    labConnInfo(ownerConninfo, address, {}, {}, &unreachable);
    if (!unreachable.isEmpty())
        return {{}, {}, false, {}, unreachable};
    Pq db(ownerConninfo);
    result.error = db.error();
    if (result.error.isEmpty()) {
        Pq::Steps s{db, {}, {}};
        // Two setups at once would race for the roles: one waits for the other.
        s.run(QStringLiteral("BEGIN"));
        s.run(QStringLiteral("SELECT pg_advisory_xact_lock(4469656369)"));
        makeTables(s, classes);
        const QString database =
            s.run(QStringLiteral("SELECT current_database()")).rows.value(0).value(0);
        const QString roles[2] = {roleName(database, "alunni"), roleName(database, "docenti")};
        QString passwords[2];
        for (int r = 0; r < 2 && s.why.isEmpty(); ++r)
            s.why = makeRole(db, roles[r], newPasswords, &passwords[r]);
        for (const QString &right : grants(db, database, roles[0], roles[1]))
            s.run(right);
        s.end();
        const Pq::Rows declared =
            s.run(QStringLiteral("SELECT name FROM dieci.classes ORDER BY name"));
        for (const QStringList &row : declared.rows)
            result.classes << row.value(0);
        result.error = s.why;
        writeBlocks(result, ownerConninfo, address, roles, passwords);
    }
    return result;
}

} // namespace registro::server
