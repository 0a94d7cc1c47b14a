// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "register.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QVariant>

#include <cstdio>
#include <unistd.h>

// What one query of the register answers, fields joined by '|', rows by '\n'.
inline QString ask(const QString &path, const QString &sql)
{
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadOnly);
    if (!reg.isOpen())
        return reg.error();
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
