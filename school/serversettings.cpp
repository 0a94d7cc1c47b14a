// SPDX-License-Identifier: GPL-3.0-or-later
// A child's race as her teacher set it, kept on the school's server per
// class, so that it follows her to whichever computer of the lab she uses.
#include "pq.h"
#include "server.h"
#include "serverdetail.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace registro::server {

namespace {
// A server set up by a version that kept no settings.
const QString NotYet = QStringLiteral("il server non ha ancora dove tenerla: va preparato di "
                                      "nuovo con dieci-registro --prepara-server");

QString errorOf(const QSqlQuery &q)
{
    if (detail::Missing.contains(q.lastError().nativeErrorCode()))
        return NotYet;
    return detail::serverError(q.lastError().databaseText(), q.lastError().nativeErrorCode());
}
} // namespace

QString setRace(const QSqlDatabase &db, const QString &className, const QString &name,
                const Adaptation &race)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO dieci.child_settings (class, child, minutes, practice) "
                             "VALUES (?, ?, ?, ?) ON CONFLICT (class, child) DO UPDATE SET "
                             "minutes = EXCLUDED.minutes, practice = EXCLUDED.practice, "
                             "changed = now()"));
    q.addBindValue(className);
    q.addBindValue(childKey(name));
    q.addBindValue(race.minutes);
    q.addBindValue(race.practice);
    return q.exec() ? QString() : errorOf(q);
}

bool classDeclared(const QSqlDatabase &db, const QString &className, QString *why)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT count(*) FROM dieci.classes WHERE name = ?"));
    q.addBindValue(className);
    if (!q.exec() || !q.next()) {
        *why = errorOf(q);
        return false;
    }
    return q.value(0).toInt() > 0;
}

namespace detail {
QString readSettings(const QSqlDatabase &db, const QString &className,
                     std::map<QString, Child> &children)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT child, minutes, practice FROM dieci.child_settings WHERE class = ?"));
    q.addBindValue(className);
    if (!q.exec())
        return detail::Missing.contains(q.lastError().nativeErrorCode()) ? QString() : errorOf(q);
    while (q.next())
        if (const auto child = children.find(q.value(0).toString()); child != children.end())
            child->second.settings = {q.value(1).toInt(), q.value(2).toBool()};
    return {};
}
} // namespace detail

ChildRace raceOf(const QString &conninfo, const QString &className, const QString &name)
{
    ChildRace result;
    const std::unique_ptr<Pq> pq = Pq::children(conninfo);
    if (!pq->ok()) {
        result.why = pq->error();
        return result;
    }
    const Pq::Reply reply = pq->exec(
        "SELECT format('%s %s', minutes, practice::integer) FROM dieci.race_settings($1, $2)",
        {className.toUtf8(), childKey(name).toUtf8()});
    // A server prepared by an older version has no settings to give.
    if (reply.state == QLatin1String("42883"))
        return result;
    result.why = reply.why;
    const QStringList parts = reply.value.split(u' ');
    if (!result.why.isEmpty() || parts.size() != 2)
        return result;
    bool whole = false;
    const int minutes = parts[0].toInt(&whole);
    if (!whole || minutes < 0 || minutes > 60)
        return result;
    result.found = true;
    result.race = {minutes, parts[1] == QLatin1String("1")};
    return result;
}

} // namespace registro::server
