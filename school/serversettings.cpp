// SPDX-License-Identifier: GPL-3.0-or-later
// A child's race as her teacher set it, kept on the school's server per
// class, so that it follows her to whichever computer of the lab she uses.
#include "pq.h"
#include "server.h"
#include "serverdetail.h"

namespace registro::server {

namespace {
// A server set up by a version that kept no settings.
const QString NotYet = QStringLiteral("il server non ha ancora dove tenerla: va preparato di "
                                      "nuovo con dieci-registro --prepara-server");

QString whyNot(const Pq::Rows &rows)
{
    return detail::Missing.contains(rows.state) ? NotYet : rows.why;
}
} // namespace

QString setRace(Pq &db, const QString &className, const QString &name, const Adaptation &race)
{
    return whyNot(db.query(
        "INSERT INTO dieci.child_settings (class, child, minutes, practice) VALUES ($1, $2, "
        "$3::integer, $4::boolean) ON CONFLICT (class, child) DO UPDATE SET minutes = "
        "EXCLUDED.minutes, practice = EXCLUDED.practice, changed = now()",
        {className.toUtf8(), childKey(name).toUtf8(), QByteArray::number(race.minutes),
         race.practice ? "true" : "false"}));
}

bool classDeclared(Pq &db, const QString &className, QString *why)
{
    const Pq::Rows rows =
        db.query("SELECT count(*) FROM dieci.classes WHERE name = $1", {className.toUtf8()});
    *why = rows.why;
    return rows.why.isEmpty() && rows.rows.value(0).value(0).toInt() > 0;
}

namespace detail {
QString readSettings(Pq &db, const QString &className, std::map<QString, Child> &children)
{
    const Pq::Rows rows = db.query(
        "SELECT child, minutes, practice::integer FROM dieci.child_settings WHERE class = $1",
        {className.toUtf8()});
    if (!rows.why.isEmpty())
        return Missing.contains(rows.state) ? QString() : rows.why;
    for (const QStringList &r : rows.rows)
        if (const auto child = children.find(r[0]); child != children.end())
            child->second.settings = {r[1].toInt(), r[2] == QLatin1String("1")};
    return {};
}
} // namespace detail

ChildRace raceOf(const QString &conninfo, const QString &className, const QString &name)
{
    ChildRace result;
    const std::unique_ptr<Pq> pq = Pq::open(conninfo);
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
