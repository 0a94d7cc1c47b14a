// SPDX-License-Identifier: GPL-3.0-or-later
// What the server or libpq said, in words a teacher or an IT person reads:
// an Italian sentence first, the original after it for whoever searches it.
#include "serverdetail.h"

#include <QList>

namespace registro::server::detail {

namespace {
struct Known {
    const char *state; // SQLSTATE or its class (two characters); empty: any
    const char *words; // in libpq's own message; empty: any
    const char *italian;
};

// First match wins: libpq's connection failures carry no SQLSTATE.
const Known Phrases[] = {
    {"28P01", "", "password sbagliata"},
    {"", "password authentication failed", "password sbagliata"},
    {"", "no password supplied", "manca la password"},
    {"", "no pg_hba.conf entry",
     "il server non accetta questo computer o questo utente "
     "(pg_hba.conf)"},
    {"28", "", "accesso negato a questo utente"},
    {"", "Connection refused", "nessun server in ascolto a quell'indirizzo e porta"},
    {"", "could not translate host name", "nome del server sconosciuto"},
    {"", "timeout expired", "il server non risponde"},
    {"", "certificate", "il certificato del server non si può controllare"},
    {"", "SSL", "problema con la connessione cifrata"},
    {"3D000", "", "il database non esiste"},
    {"42501", "", "permesso negato a questo utente"},
    {"57014", "", "il server ci ha messo troppo: operazione interrotta"},
    {"55P03", "", "tabella occupata da un'altra operazione"},
    {"53", "", "il server non ha risorse libere (troppi collegamenti?)"},
    {"08", "", "collegamento con il server interrotto"},
};
} // namespace

QString serverError(const QString &message, const QString &state)
{
    const QString line = oneLine(message);
    // dieci's own functions already speak Italian.
    if (state == QLatin1String("22023") || state == QLatin1String("DC001"))
        return line;
    for (const Known &k : Phrases) {
        const QLatin1String s(k.state);
        if (s.size() > 0 && (state.isEmpty() || !state.startsWith(s)))
            continue;
        if (*k.words && !line.contains(QLatin1String(k.words), Qt::CaseInsensitive))
            continue;
        return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(k.italian), line);
    }
    return QStringLiteral("errore del server (%1)").arg(line);
}

} // namespace registro::server::detail
