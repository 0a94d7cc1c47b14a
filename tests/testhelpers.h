// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runtimeerror.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <functional>

// The number of the run-time error that f raises; 0 when it raises none.
inline int runTimeErrorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const platform::RunTimeError &error) {
        return error.number();
    }
    return 0;
}

// A file's bytes, or "<missing>".
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes the file whole, creating its folder; false when that fails.
inline bool putFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A CSV line's fields as a spreadsheet splits them: on ';' outside quotes
// (the quotes kept).
inline QStringList csvFields(const QString &line)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (const QChar c : line) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u';' && !quoted)
            fields << QString();
        else
            fields.last() += c;
    }
    return fields;
}

// Whether a spreadsheet would read the field as a formula.
inline bool formula(const QString &field)
{
    return !field.isEmpty() && QStringLiteral("=+-@").contains(field.front());
}
