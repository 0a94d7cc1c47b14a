// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

namespace registro {

// Marks a SQLite file as a register of dieci ("DIEC").
inline constexpr qint64 ApplicationId = 0x44494543;

enum class OpenMode { ReadWrite, ReadOnly };

// Opens an existing register on a connection of its own and checks that it is
// one, of a version this program can write (ReadWrite) or read (ReadOnly).
// Returns the connection's name, or an empty one with the reason in Italian.
QString openConnection(const QString &path, OpenMode mode, QString *why);
void closeConnection(const QString &connection);

// How times are stored: local time to the millisecond, sortable as text.
QString timestamp(const QDateTime &time);
QDateTime fromTimestamp(const QString &stamp);

// Whether the teacher left recording on (a register without the setting records).
bool recordingOn(const QString &connection);

} // namespace registro
