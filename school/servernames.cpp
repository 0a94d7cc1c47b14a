// SPDX-License-Identifier: GPL-3.0-or-later
// Names a teacher mends on the school's server, per class: a child who typed
// "Giula" is Giulia there, and so is every race she sends typed that way.
#include "pq.h"
#include "server.h"
#include "serverdetail.h"

#include <utility>

namespace registro::server {

int renameChild(Pq &db, const QString &className, const QString &from, const QString &to,
                QString *why)
{
    const QByteArray klass = className.toUtf8(), is = childKey(to).toUtf8();
    const Pq::Rows found = db.query("SELECT coalesce((SELECT child FROM dieci.aliases WHERE "
                                    "class = $1 AND typed = $2), $2)",
                                    {klass, childKey(from).toUtf8()});
    const QByteArray was = found.rows.value(0).value(0).toUtf8();
    const QByteArray shown = to.trimmed().toUtf8();
    // Her settings go with her unless the child she joins has her own.
    const std::pair<const char *, QList<QByteArray>> steps[] = {
        {"WITH m AS (UPDATE dieci.races SET child = $3 WHERE class = $1 AND child = $2 "
         "RETURNING 1) SELECT count(*) FROM m",
         {klass, was, is}},
        {"UPDATE dieci.aliases SET child = $3 WHERE class = $1 AND child = $2", {klass, was, is}},
        {"INSERT INTO dieci.aliases VALUES ($1, $2, $3) ON CONFLICT (class, typed) DO UPDATE SET "
         "child = EXCLUDED.child",
         {klass, was, is}},
        {"DELETE FROM dieci.aliases WHERE class = $1 AND typed = $2", {klass, is}},
        {"UPDATE dieci.child_settings SET child = $3 WHERE class = $1 AND child = $2 AND NOT "
         "EXISTS (SELECT 1 FROM dieci.child_settings o WHERE o.class = $1 AND o.child = $3)",
         {klass, was, is}},
        {"DELETE FROM dieci.child_settings WHERE class = $1 AND child = $2 AND $2 <> $3",
         {klass, was, is}},
        {"DELETE FROM dieci.names WHERE class = $1 AND child = $2", {klass, was}},
        {"INSERT INTO dieci.names VALUES ($1, $2, $3) ON CONFLICT (class, child) DO UPDATE SET "
         "shown = EXCLUDED.shown",
         {klass, is, shown}}};
    Pq::Steps s{db, found.why, found.state};
    s.run(QStringLiteral("BEGIN"));
    int moved = 0;
    for (const auto &[sql, params] : steps) {
        const Pq::Rows done = s.run(QLatin1String(sql), params);
        if (&sql == &steps[0].first)
            moved = done.rows.value(0).value(0).toInt();
    }
    if (s.end())
        return moved;
    *why = s.why;
    return -1;
}

namespace detail {
QString readNames(Pq &db, const QString &className, std::map<QString, Child> &children)
{
    const Pq::Rows rows =
        db.query("SELECT child, shown FROM dieci.names WHERE class = $1", {className.toUtf8()});
    if (!rows.why.isEmpty())
        return Missing.contains(rows.state) ? QString() : rows.why;
    for (const QStringList &r : rows.rows)
        if (const auto child = children.find(r[0]); child != children.end())
            child->second.name = r[1];
    return {};
}
} // namespace detail

} // namespace registro::server
