// SPDX-License-Identifier: GPL-3.0-or-later
// dieci-registro --verifica: what the IT person runs once on a lab computer
// of each image, to see that its races will reach the school's server.
#include "registro_commands.h"

#include "labsettings.h"
#include "pq.h"
#include "register.h"
#include "server.h"

#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

namespace cli {

namespace {
struct Report {
    int problems = 0;
    void good(const QString &line) { std::printf("ok: %s\n", qPrintable(line)); }
    void bad(const QString &line)
    {
        ++problems;
        std::printf("DA SISTEMARE: %s\n", qPrintable(line));
    }
};

// The connection string as it can be shown: without its password.
QString shown(const QString &conninfo)
{
    registro::server::ConnInfo info = registro::server::parseConnInfo(conninfo);
    if (!info.password.isEmpty())
        info.password = QStringLiteral("…");
    return registro::server::connInfoText(info);
}

void settingsRead(Report &r, const platform::LabSettings &lab)
{
    for (const QString &problem : lab.problems)
        r.bad(problem);
    if (lab.filesRead.isEmpty())
        r.bad(QStringLiteral("nessun file di impostazioni letto: manca /etc/xdg/dieci/dieci.conf "
                             "(o la cartella di XDG_CONFIG_DIRS che lo contiene)"));
    else
        r.good(QStringLiteral("impostazioni lette da %1")
                   .arg(lab.filesRead.join(QStringLiteral(", "))));
    for (const auto &[key, file] : lab.keySources)
        std::printf("   %s da %s\n", qPrintable(key), qPrintable(file));
    r.good(QStringLiteral("le gare si registrano nella classe %1").arg(lab.className));
}

// What waits in this computer's register for the server.
void waiting(Report &r, const QString &path)
{
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadOnly);
    if (!reg.isOpen()) {
        if (reg.error().kind != registro::ErrorKind::Missing)
            r.bad(reg.problem());
        return;
    }
    QSqlQuery q(reg.database());
    if (reg.version() >= 3 &&
        q.exec(QStringLiteral(
            "SELECT (SELECT count(*) FROM races WHERE sent < 2 AND class IS "
            "NOT NULL), (SELECT count(*) FROM answers WHERE sent = 0 AND number BETWEEN 1 "
            "AND 9)")) &&
        q.next())
        r.good(QStringLiteral("aspettano di partire %1 gare e %2 risposte del registro %3")
                   .arg(q.value(0).toInt())
                   .arg(q.value(1).toInt())
                   .arg(path));
}
} // namespace

int verify(const QString &registerPath)
{
    Report r;
    const platform::LabSettings lab = platform::readLabSettings();
    settingsRead(r, lab);
    if (lab.server.isEmpty()) {
        r.bad(QStringLiteral("nessun server della scuola ([registro] server): le gare restano su "
                             "questo computer"));
    } else {
        const auto server = registro::server::Pq::open(lab.server);
        if (!server->ok()) {
            r.bad(QStringLiteral("il server non risponde (%1): %2")
                      .arg(shown(lab.server), server->error()));
        } else {
            r.good(QStringLiteral("il server risponde (%1)").arg(shown(lab.server)));
            if (server->encrypted() && server->sslMode() == QLatin1String("verify-full"))
                r.good(QStringLiteral("la connessione è cifrata e il certificato del server è "
                                      "controllato"));
            else
                r.bad(QStringLiteral("il certificato del server non è controllato (sslmode=%1): "
                                     "serve sslmode=verify-full con sslrootcert")
                          .arg(server->sslMode()));
            const auto added = server->exec("SELECT dieci.add_races($1::json)", {"[]"});
            if (added.why.isEmpty())
                r.good(QStringLiteral("il ruolo può aggiungere gare"));
            else
                r.bad(QStringLiteral("il ruolo non può aggiungere gare: %1").arg(added.why));
        }
    }
    waiting(r, registerPath);
    if (r.problems == 0)
        std::printf("Tutto a posto.\n");
    else
        std::printf("Da sistemare: %d.\n", r.problems);
    return r.problems == 0 ? 0 : 1;
}

} // namespace cli
