// SPDX-License-Identifier: GPL-3.0-or-later
// Connection strings, and what every connection to the school's server shares.
#include "server.h"
#include "serverdetail.h"

#include <QUrl>
#include <QUrlQuery>

namespace registro::server {

using detail::oneLine;

namespace detail {

QString oneLine(const QString &text)
{
    // Qt adds the SQLSTATE in brackets, empty when the connection broke.
    QString line = text.simplified();
    if (line.endsWith(QLatin1String(" ()")))
        line.chop(3);
    return line;
}

QStringList withDefaults(QStringList options)
{
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
    return options;
}

} // namespace detail

namespace {
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
} // namespace

QString detail::tablesProblem(bool missing, const QString &version)
{
    if (missing)
        return QStringLiteral("il database non ha le tabelle di dieci (vanno preparate con "
                              "dieci-registro --prepara-server)");
    return version.toInt() > ServerVersion ? detail::NewerTables : QString();
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

} // namespace registro::server
