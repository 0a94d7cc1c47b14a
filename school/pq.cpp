// SPDX-License-Identifier: GPL-3.0-or-later
#include "pq.h"

#include "server.h"
#include "serverdetail.h"

#include <libpq-fe.h>

namespace registro::server {

Pq::Pq(const QString &conninfo)
{
    ConnInfo info = parseConnInfo(conninfo);
    if (!info.error.isEmpty()) {
        m_error = QStringLiteral("stringa di connessione non valida (%1)").arg(info.error);
        return;
    }
    info.options = detail::withDefaults(info.options);
    m_conn = PQconnectdb(connInfoText(info).toUtf8().constData());
    if (PQstatus(m_conn) != CONNECTION_OK) {
        m_error = detail::serverError(QString::fromUtf8(PQerrorMessage(m_conn)));
        return;
    }
    const std::lock_guard lock(m_canceller->m_mutex);
    m_canceller->m_cancel = PQgetCancel(m_conn);
}

Pq::~Pq()
{
    {
        const std::lock_guard lock(m_canceller->m_mutex);
        if (m_canceller->m_cancel)
            PQfreeCancel(std::exchange(m_canceller->m_cancel, nullptr));
    }
    PQfinish(m_conn);
}

bool Pq::encrypted() const
{
    return m_conn && PQsslInUse(m_conn);
}

QString Pq::sslMode() const
{
    QString mode;
    PQconninfoOption *options = m_conn ? PQconninfo(m_conn) : nullptr;
    for (PQconninfoOption *o = options; o && o->keyword; ++o)
        if (qstrcmp(o->keyword, "sslmode") == 0 && o->val)
            mode = QString::fromLatin1(o->val);
    PQconninfoFree(options);
    return mode;
}

Pq::Rows Pq::query(const char *sql, const QList<QByteArray> &params)
{
    if (!ok())
        return {m_error, {}, {}};
    QList<const char *> values;
    for (const QByteArray &p : params)
        values << (p.isNull() ? nullptr : p.constData());
    PGresult *result = PQexecParams(m_conn, sql, int(values.size()), nullptr, values.constData(),
                                    nullptr, nullptr, 0);
    Rows rows;
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const char *message = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
        const char *state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        rows.state = QString::fromLatin1(state ? state : "");
        const QString said = QString::fromUtf8(message ? message : PQerrorMessage(m_conn));
        rows.why = said.trimmed().isEmpty() ? QStringLiteral("il server non risponde")
                                            : detail::serverError(said, rows.state);
    }
    for (int r = 0; r < PQntuples(result); ++r) {
        QStringList &row = rows.rows.emplace_back();
        for (int c = 0; c < PQnfields(result); ++c)
            row << (PQgetisnull(result, r, c) ? QString()
                                              : QString::fromUtf8(PQgetvalue(result, r, c)));
    }
    PQclear(result);
    return rows;
}

Pq::Rows Pq::Steps::run(const QString &sql, const QList<QByteArray> &params)
{
    if (!why.isEmpty())
        return {why, {}, {}};
    Rows done = db.query(sql.toUtf8().constData(), params);
    why = done.why;
    state = done.state;
    return done;
}

bool Pq::Steps::end()
{
    if (why.isEmpty())
        run(QStringLiteral("COMMIT"));
    if (!why.isEmpty())
        db.exec("ROLLBACK");
    return why.isEmpty();
}

Pq::Reply Pq::exec(const char *sql, const QList<QByteArray> &params)
{
    Rows rows = query(sql, params);
    QString first;
    if (!rows.rows.isEmpty() && !rows.rows.front().isEmpty())
        first = rows.rows.front().front();
    return {std::move(rows.why), std::move(rows.state), first};
}

namespace {
// text quoted by libpq's escape, as this connection's server reads it.
QString quotedBy(pg_conn *conn, const QString &text,
                 char *(*escape)(PGconn *, const char *, size_t))
{
    const QByteArray utf8 = text.toUtf8();
    char *quoted = conn ? escape(conn, utf8.constData(), size_t(utf8.size())) : nullptr;
    const QString result = quoted ? QString::fromUtf8(quoted) : QString();
    PQfreemem(quoted);
    return result;
}
} // namespace

QString Pq::identifier(const QString &name) const
{
    return quotedBy(m_conn, name, PQescapeIdentifier);
}

QString Pq::literal(const QString &value) const
{
    return quotedBy(m_conn, value, PQescapeLiteral);
}

QString Pq::passwordVerifier(const QString &role, const QString &password) const
{
    char *made = m_conn ? PQencryptPasswordConn(m_conn, password.toUtf8().constData(),
                                                role.toUtf8().constData(), "scram-sha-256")
                        : nullptr;
    const QString verifier = made ? QString::fromLatin1(made) : QString();
    PQfreemem(made);
    return verifier;
}

void Pq::Canceller::cancel()
{
    const std::lock_guard lock(m_mutex);
    char why[256];
    if (m_cancel)
        PQcancel(m_cancel, why, sizeof why);
}

std::unique_ptr<Pq> Pq::open(const QString &conninfo)
{
    auto pq = std::make_unique<Pq>(conninfo);
    if (!pq->ok())
        return pq;
    const Pq::Reply version = pq->exec("SELECT value FROM dieci.info WHERE key = 'version'");
    const bool missing = detail::Missing.contains(version.state) ||
                         (version.why.isEmpty() && version.value.isEmpty());
    pq->m_error = !missing && !version.why.isEmpty()
                      ? version.why
                      : detail::tablesProblem(missing, version.value);
    return pq;
}

} // namespace registro::server
