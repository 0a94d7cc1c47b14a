// SPDX-License-Identifier: GPL-3.0-or-later
// A child's race as her teacher set it, kept on the school's server per
// class, so that it follows her to whichever computer of the lab she uses.
#include "pq.h"
#include "server.h"
#include "serverdetail.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace registro::server {

namespace {
// A server set up by a version that kept no settings.
const QString NotYet = QStringLiteral("il server non ha ancora dove tenerla: va preparato di "
                                      "nuovo con dieci-registro --prepara-server");

QString whyNot(const Pq::Rows &rows)
{
    // 42703: a server prepared before the aids has no column for them.
    return detail::Missing.contains(rows.state) || rows.state == QLatin1String("42703") ? NotYet
                                                                                        : rows.why;
}

// A setting as the server gives it, one row as JSON: the columns a server
// prepared before the aids lacks count as off. Anything else is refused.
std::optional<Adaptation> fromJson(const QString &json)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    const QJsonValue minutes = o.value(QLatin1String("minutes"));
    if (!minutes.isDouble() || minutes.toInt(-1) < 0 || minutes.toInt(-1) > 60)
        return std::nullopt;
    return Adaptation{minutes.toInt(), o.value(QLatin1String("practice")).toBool(),
                      o.value(QLatin1String("voice")).toBool(),
                      o.value(QLatin1String("contrast")).toBool()};
}

QByteArray boolean(bool on)
{
    return on ? "true" : "false";
}
} // namespace

QString setRace(Pq &db, const QString &className, const QString &name, const Adaptation &race)
{
    return whyNot(db.query(
        "INSERT INTO dieci.child_settings (class, child, minutes, practice, voice, contrast) "
        "VALUES ($1, $2, $3::integer, $4::boolean, $5::boolean, $6::boolean) ON CONFLICT "
        "(class, child) DO UPDATE SET minutes = EXCLUDED.minutes, practice = EXCLUDED.practice, "
        "voice = EXCLUDED.voice, contrast = EXCLUDED.contrast, changed = now()",
        {className.toUtf8(), childKey(name).toUtf8(), QByteArray::number(race.minutes),
         boolean(race.practice), boolean(race.voice), boolean(race.contrast)}));
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
    const Pq::Rows rows =
        db.query("SELECT child, row_to_json(s)::text FROM dieci.child_settings s WHERE class = $1",
                 {className.toUtf8()});
    if (!rows.why.isEmpty())
        return Missing.contains(rows.state) ? QString() : rows.why;
    for (const QStringList &r : rows.rows) {
        const auto child = children.find(r.value(0));
        if (const std::optional<Adaptation> set = fromJson(r.value(1));
            set && child != children.end())
            child->second.settings = *set;
    }
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
    const Pq::Reply reply =
        pq->exec("SELECT row_to_json(s)::text FROM dieci.race_settings($1, $2) s",
                 {className.toUtf8(), childKey(name).toUtf8()});
    // A server prepared by an older version has no settings to give.
    if (reply.state == QLatin1String("42883"))
        return result;
    result.why = reply.why;
    if (!result.why.isEmpty())
        return result;
    if (const std::optional<Adaptation> set = fromJson(reply.value)) {
        result.found = true;
        result.race = *set;
    }
    return result;
}

} // namespace registro::server
