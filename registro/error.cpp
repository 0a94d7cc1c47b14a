// SPDX-License-Identifier: GPL-3.0-or-later
#include "error.h"

#include <QSqlError>

namespace registro {

ErrorKind kindOf(const QSqlError &error)
{
    if (error.type() == QSqlError::NoError)
        return ErrorKind::None;
    // Qt gives SQLite's extended result code; its low byte is the primary one.
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return ErrorKind::Busy;
    case 3: // SQLITE_PERM
    case 8: // SQLITE_READONLY
        return ErrorKind::ReadOnly;
    case 10: // SQLITE_IOERR
    case 14: // SQLITE_CANTOPEN
        return ErrorKind::Io;
    case 11: // SQLITE_CORRUPT
        return ErrorKind::Damaged;
    case 13: // SQLITE_FULL
        return ErrorKind::Full;
    case 26: // SQLITE_NOTADB
        return ErrorKind::NotARegister;
    default:
        return ErrorKind::Other;
    }
}

namespace {
// What each kind means to whoever reads the line.
QString inWords(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::Busy:
        return QStringLiteral("occupato da un altro programma");
    case ErrorKind::ReadOnly:
        return QStringLiteral("in sola lettura");
    case ErrorKind::Io:
        return QStringLiteral("illeggibile o non scrivibile sul disco");
    case ErrorKind::Damaged:
        return QStringLiteral("danneggiato");
    case ErrorKind::Full:
        return QStringLiteral("senza spazio: il disco è pieno");
    case ErrorKind::NotARegister:
        return QStringLiteral("non è un registro di dieci");
    default:
        return QStringLiteral("in errore");
    }
}
} // namespace

Error errorOf(const QSqlError &error)
{
    const ErrorKind kind = kindOf(error);
    if (kind == ErrorKind::None)
        return {};
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    // SQLite's own words, in English, after the Italian ones.
    return {kind, QStringLiteral("%1 (%2)").arg(inWords(kind), text.simplified())};
}

} // namespace registro
