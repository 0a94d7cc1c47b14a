// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "register.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QVariant>

#include <QFile>
#include <QSqlDatabase>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

// What one query of the register answers, fields joined by '|', rows by '\n'.
inline QString ask(const QString &path, const QString &sql)
{
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadOnly);
    if (!reg.isOpen())
        return reg.error().text;
    QStringList rows;
    QSqlQuery query(reg.database());
    if (!query.exec(sql))
        return query.lastError().text();
    while (query.next()) {
        QStringList fields;
        for (int i = 0; i < query.record().count(); ++i)
            fields << query.value(i).toString();
        rows << fields.join(u'|');
    }
    return rows.join(u'\n');
}

// Statements on the file with no check at all, on a connection left open
// until close(): the state a program that was killed leaves behind.
struct RawWriter {
    QString name = QStringLiteral("raw-writer");
    explicit RawWriter(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawWriter() { close(); }
    bool run(const QString &sql) const
    {
        return QSqlQuery(QSqlDatabase::database(name, false)).exec(sql);
    }
    void close()
    {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
};

// Whether this process holds a POSIX lock on the file at path (/proc/locks).
inline bool holdsLock(const QString &path)
{
    QFile locks(QStringLiteral("/proc/locks"));
    struct stat st {};
    if (!locks.open(QIODevice::ReadOnly) || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    const QByteArray pid = QByteArray::number(getpid());
    const QByteArray inode = ':' + QByteArray::number(qulonglong(st.st_ino));
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 5 && f[4] == pid && f[5].endsWith(inode))
            return true;
    }
    return false;
}

// Everything written on standard error while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = dup(2);
        dup2(m_file.handle(), 2);
    }
    ~StderrCapture() { text(); }
    QString path() const { return m_file.fileName(); }
    QByteArray text()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            dup2(m_saved, 2);
            close(m_saved);
            m_saved = -1;
            m_file.seek(0);
            m_text = m_file.readAll();
        }
        return m_text;
    }

private:
    QTemporaryFile m_file;
    QByteArray m_text;
    int m_saved = -1;
};
