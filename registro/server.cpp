// SPDX-License-Identifier: GPL-3.0-or-later
#include "server.h"

#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace registro::server {

namespace {
// How many answers to each fact judge whether a child knows it (knowledgeOf).
constexpr int RecentAnswers = 20;
// SQLSTATEs: the schema or the table is not there.
const QStringList Missing = {"3F000", "42P01"};

QString oneLine(const QString &text)
{
    // Qt adds the SQLSTATE in brackets, empty when the connection broke.
    QString line = text.simplified();
    if (line.endsWith(QLatin1String(" ()")))
        line.chop(3);
    return line;
}

QString errorOf(const QSqlQuery &query)
{
    return oneLine(query.lastError().databaseText());
}

bool needsQuotes(const QString &value)
{
    return value.isEmpty() || value.contains(u' ') || value.contains(u'\'') ||
           value.contains(u'\\') || value.contains(u'=');
}

QString quoted(QString value)
{
    if (!needsQuotes(value))
        return value;
    value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + value + u'\'';
}

void assign(ConnInfo &info, const QString &key, const QString &value)
{
    if (key == QLatin1String("host") || key == QLatin1String("hostaddr"))
        info.host = value;
    else if (key == QLatin1String("port")) {
        bool ok = false;
        info.port = value.toInt(&ok);
        if (!ok || info.port <= 0 || info.port > 65535)
            info.error = QStringLiteral("porta non valida: %1").arg(value);
    } else if (key == QLatin1String("dbname"))
        info.dbname = value;
    else if (key == QLatin1String("user"))
        info.user = value;
    else if (key == QLatin1String("password"))
        info.password = value;
    // Qt's driver joins its options with ';' and splits them on it again.
    else if (value.contains(u';'))
        info.error = QStringLiteral("il valore di %1 contiene ';'").arg(key);
    else
        info.options << key + u'=' + quoted(value);
}

ConnInfo parseUri(const QString &text)
{
    ConnInfo info;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        info.error = url.errorString();
        return info;
    }
    info.host = url.host();
    info.port = url.port(-1);
    info.user = url.userName();
    info.password = url.password();
    info.dbname = url.path().mid(1);
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        assign(info, key, value);
    return info;
}

// Random letters and digits: nothing in them needs quoting anywhere.
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

// Connects without looking for the tables: the setup makes them.
QString open(const QString &conninfo, const QString &name)
{
    const ConnInfo info = parseConnInfo(conninfo);
    if (!info.error.isEmpty())
        return QStringLiteral("stringa di connessione non valida (%1)").arg(info.error);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("manca il driver PostgreSQL di Qt (pacchetto libqt6sql6-psql)");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(info.host);
    db.setPort(info.port);
    db.setDatabaseName(info.dbname);
    db.setUserName(info.user);
    db.setPassword(info.password);
    QStringList options = info.options;
    const auto unless = [&options](const char *key, const char *option) {
        const QString prefix = QLatin1String(key) + u'=';
        if (!std::any_of(options.cbegin(), options.cend(),
                         [&](const QString &o) { return o.startsWith(prefix); }))
            options << QLatin1String(option);
    };
    // A host that is down, or a server that accepts and never answers, must
    // not hold anyone for the minutes TCP would wait.
    unless("connect_timeout", "connect_timeout=3");
    unless("tcp_user_timeout", "tcp_user_timeout=10000");
    unless("keepalives_idle", "keepalives_idle=10");
    // Compiling queries (JIT) costs more than the short ones here ever take.
    unless("options", "options='-c statement_timeout=30000 -c lock_timeout=10000 "
                      "-c client_min_messages=warning -c jit=off'");
    unless("application_name", "application_name=dieci");
    db.setConnectOptions(options.join(u';'));
    if (!db.open())
        return oneLine(db.lastError().databaseText());
    return {};
}
} // namespace

QString errorLine(const QSqlError &error)
{
    return oneLine(error.databaseText());
}

ConnInfo parseConnInfo(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("postgresql://")) ||
        trimmed.startsWith(QLatin1String("postgres://")))
        return parseUri(trimmed);
    ConnInfo info;
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < trimmed.size() && trimmed[i].isSpace())
            ++i;
    };
    while (info.error.isEmpty()) {
        skipSpaces();
        if (i >= trimmed.size())
            break;
        QString key;
        while (i < trimmed.size() && trimmed[i] != u'=' && !trimmed[i].isSpace())
            key += trimmed[i++];
        skipSpaces();
        if (i >= trimmed.size() || trimmed[i] != u'=') {
            info.error = QStringLiteral("manca '=' dopo %1").arg(key);
            break;
        }
        ++i;
        skipSpaces();
        QString value;
        if (i < trimmed.size() && trimmed[i] == u'\'') {
            ++i;
            bool closed = false;
            while (i < trimmed.size()) {
                if (trimmed[i] == u'\\' && i + 1 < trimmed.size()) {
                    value += trimmed[i + 1];
                    i += 2;
                } else if (trimmed[i] == u'\'') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    value += trimmed[i++];
                }
            }
            if (!closed)
                info.error = QStringLiteral("apice non chiuso nel valore di %1").arg(key);
        } else {
            while (i < trimmed.size() && !trimmed[i].isSpace()) {
                if (trimmed[i] == u'\\' && i + 1 < trimmed.size())
                    ++i;
                value += trimmed[i++];
            }
        }
        if (info.error.isEmpty())
            assign(info, key, value);
    }
    return info;
}

QString connInfoText(const ConnInfo &info)
{
    QStringList parts;
    if (!info.host.isEmpty())
        parts << QStringLiteral("host=") + quoted(info.host);
    if (info.port > 0)
        parts << QStringLiteral("port=%1").arg(info.port);
    if (!info.dbname.isEmpty())
        parts << QStringLiteral("dbname=") + quoted(info.dbname);
    if (!info.user.isEmpty())
        parts << QStringLiteral("user=") + quoted(info.user);
    if (!info.password.isEmpty())
        parts << QStringLiteral("password=") + quoted(info.password);
    return (parts + info.options).join(u' ');
}

QString connect(const QString &conninfo, const QString &name)
{
    if (QString why = open(conninfo, name); !why.isEmpty())
        return why;
    QSqlQuery query(QSqlDatabase::database(name, false));
    if (!query.exec(QStringLiteral("SELECT value FROM dieci.info WHERE key = 'version'")) ||
        !query.next()) {
        if (Missing.contains(query.lastError().nativeErrorCode()) || query.isActive())
            return QStringLiteral("il database non ha le tabelle di dieci (vanno preparate con "
                                  "dieci-registro --prepara-server)");
        return errorOf(query);
    }
    if (query.value(0).toInt() > ServerVersion)
        return QStringLiteral("tabelle di una versione più recente di dieci");
    return {};
}

Prepared prepare(const QString &ownerConninfo)
{
    Prepared result;
    const QString name = QStringLiteral("dieci-prepara");
    {
        result.error = open(ownerConninfo, name);
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

QList<ClassRow> classes(const QSqlDatabase &db, QString *why)
{
    QList<ClassRow> rows;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT class, count(DISTINCT child), count(*), "
                               "to_char(max(started), 'YYYY-MM-DD\"T\"HH24:MI:SS.MS') "
                               "FROM dieci.races GROUP BY class ORDER BY class"))) {
        *why = errorOf(q);
        return rows;
    }
    while (q.next())
        rows.append(
            {q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toString()});
    return rows;
}

QList<Child> loadClass(const QSqlDatabase &db, const QString &className, QString *why)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT r.id, to_char(r.started, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), r.child, r.name, "
        "r.ending, r.record_beaten, r.adaptation, c.right, c.wrong FROM dieci.races r, LATERAL "
        "(SELECT count(*) FILTER (WHERE a.correct) AS right, count(*) FILTER (WHERE NOT "
        "a.correct) AS wrong FROM dieci.answers a WHERE a.race = r.id) c WHERE r.class = ? "
        "ORDER BY r.started, r.id"));
    q.addBindValue(className);
    std::map<QString, Child> children;
    if (!q.exec()) {
        *why = errorOf(q);
        return {};
    }
    while (q.next()) {
        Child &child = children[q.value(2).toString()];
        if (child.name.isEmpty())
            child.name = q.value(3).toString().trimmed();
        const QString ending = q.value(4).toString();
        child.races.append({q.value(0).toString(), q.value(1).toString(),
                            ending.isEmpty() ? QLatin1String(Interrupted) : ending,
                            q.value(7).toInt(), q.value(8).toInt(), q.value(5).toBool(),
                            q.value(6).toString()});
    }
    // Of her answers, what the window judges her facts by: the last 20 to
    // each, found by the server going back through her races (a few each,
    // however long the year). The rest never leave it.
    q.prepare(
        QStringLiteral(
            "SELECT ch.child, to_char(x.at, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), x.number, x.correct, "
            "x.ms FROM (SELECT DISTINCT child FROM dieci.races WHERE class = ?) ch CROSS JOIN "
            "generate_series(1, 9) n CROSS JOIN LATERAL (SELECT a.at, a.seq, a.number, a.correct, "
            "a.ms, r.started FROM dieci.races r JOIN dieci.answers a ON a.race = r.id WHERE "
            "r.class "
            "= ? AND r.child = ch.child AND a.number = n ORDER BY r.started DESC, a.seq DESC LIMIT "
            "%1) x ORDER BY ch.child, x.started, x.seq")
            .arg(RecentAnswers));
    q.addBindValue(className);
    q.addBindValue(className);
    if (!q.exec()) {
        *why = errorOf(q);
        return {};
    }
    while (q.next())
        children[q.value(0).toString()].answers.append({q.value(1).toString(), q.value(2).toInt(),
                                                        q.value(3).toBool(),
                                                        q.value(4).toLongLong()});
    QList<Child> list;
    for (auto &[key, child] : children)
        list.append(std::move(child));
    std::sort(list.begin(), list.end(), [](const Child &a, const Child &b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return list;
}

int deleteChild(const QSqlDatabase &db, const QString &className, const QString &name, QString *why)
{
    QSqlDatabase conn = db;
    QSqlQuery q(conn);
    const auto bind = [&](const QString &sql) {
        q.prepare(sql);
        q.addBindValue(className);
        q.addBindValue(childKey(name));
        return q.exec();
    };
    if (conn.transaction() &&
        bind(QStringLiteral("INSERT INTO dieci.deleted_races SELECT id FROM dieci.races WHERE "
                            "class = ? AND child = ? ON CONFLICT DO NOTHING")) &&
        bind(QStringLiteral("DELETE FROM dieci.races WHERE class = ? AND child = ?"))) {
        const int deleted = q.numRowsAffected();
        if (conn.commit())
            return deleted;
    }
    *why = errorOf(q);
    if (why->isEmpty())
        *why = oneLine(conn.lastError().databaseText());
    conn.rollback();
    return -1;
}

} // namespace registro::server
