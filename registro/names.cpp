// SPDX-License-Identifier: GPL-3.0-or-later
// Names the teacher mends: a child who typed "Giula" is Giulia, now and in
// every race she types that way again.
#include "register.h"

#include "classdata.h"
#include "schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace registro {

QString Register::childOf(const QString &name) const
{
    const QString key = childKey(name);
    if (m_version < 6)
        return key;
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT child FROM aliases WHERE typed = ?"));
    query.addBindValue(key);
    return query.exec() && query.next() ? query.value(0).toString() : key;
}

int Register::renameChild(const QString &from, const QString &to)
{
    if (!m_writable || m_version < 6) {
        m_error = {ErrorKind::ReadOnly, QStringLiteral("registro in sola lettura")};
        return -1;
    }
    const QString was = childOf(from), is = childKey(to);
    QSqlDatabase db = database();
    QSqlQuery q(db);
    bool ok = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (ok)
        m_error = schema::fillChildKeys(db);
    int moved = 0;
    const QString shown = to.trimmed();
    // Her settings go with her unless the child she joins has her own.
    const std::pair<QString, QVariantList> steps[] = {
        {QStringLiteral("UPDATE races SET child = ? WHERE child = ?"), {is, was}},
        {QStringLiteral("UPDATE aliases SET child = ? WHERE child = ?"), {is, was}},
        {QStringLiteral("INSERT OR REPLACE INTO aliases VALUES (?, ?)"), {was, is}},
        {QStringLiteral("DELETE FROM aliases WHERE typed = ?"), {is}},
        {QStringLiteral("UPDATE OR IGNORE adaptations SET child = ? WHERE child = ?"), {is, was}},
        {QStringLiteral("DELETE FROM adaptations WHERE child = ? AND child <> ?"), {was, is}},
        {QStringLiteral("DELETE FROM names WHERE child = ?"), {was}},
        {QStringLiteral("INSERT OR REPLACE INTO names VALUES (?, ?)"), {is, shown}}};
    for (const auto &[sql, values] : steps) {
        ok = ok && !m_error && q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        ok = ok && q.exec();
        if (ok && moved == 0 && &sql == &steps[0].first)
            moved = q.numRowsAffected();
    }
    if (ok && q.exec(QStringLiteral("COMMIT")))
        return moved;
    if (!m_error)
        m_error = errorOf(q.lastError());
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return -1;
}

QHash<QString, QString> mendedNames(const Register &reg)
{
    QHash<QString, QString> names;
    if (reg.version() < 6)
        return names;
    QSqlQuery q(reg.database());
    q.exec(QStringLiteral("SELECT child, shown FROM names"));
    while (q.next())
        names.insert(q.value(0).toString(), q.value(1).toString());
    return names;
}

} // namespace registro
