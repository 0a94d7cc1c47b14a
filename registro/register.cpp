// SPDX-License-Identifier: GPL-3.0-or-later
#include "register.h"

#include "schema.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

namespace registro {

namespace {
QString endingText(Ending how)
{
    switch (how) {
    case Ending::Clock:
        return QStringLiteral("tempo scaduto");
    case Ending::Exit:
        return QStringLiteral("uscita");
    case Ending::NewRace:
        return QStringLiteral("nuova gara");
    case Ending::WindowClosed:
        return QStringLiteral("finestra chiusa");
    }
    return {};
}
} // namespace

QString registerPath(const QString &dir)
{
    return dir + QLatin1String(FileName);
}

RaceRecorder::RaceRecorder(const QString &path, const QDateTime &start, const QString &name)
    : m_path(path)
{
    // Off until the teacher turns it on; nothing here ever creates the file.
    if (!QFileInfo(path).isFile())
        return;
    QString why;
    m_connection = openConnection(path, OpenMode::ReadWrite, &why);
    if (m_connection.isEmpty()) {
        stop(why);
        return;
    }
    if (!recordingOn(m_connection)) {
        closeConnection(m_connection);
        m_connection.clear();
        return;
    }
    m_on = true;
    QSqlQuery insert(QSqlDatabase::database(m_connection, false));
    insert.prepare(QStringLiteral("INSERT INTO races (started, name) VALUES (?, ?)"));
    insert.addBindValue(timestamp(start));
    insert.addBindValue(name);
    if (insert.exec())
        m_race = insert.lastInsertId().toLongLong();
    else
        stop(insert.lastError().text());
}

RaceRecorder::~RaceRecorder()
{
    if (!m_connection.isEmpty())
        closeConnection(m_connection);
}

void RaceRecorder::answer(const QDateTime &at, int number, const QString &typed, bool right,
                          qint64 ms)
{
    if (!m_on)
        return;
    // One statement, one transaction: committed before the next answer.
    QSqlQuery insert(QSqlDatabase::database(m_connection, false));
    insert.prepare(QStringLiteral("INSERT INTO answers (race, at, number, typed, right, ms) "
                                  "VALUES (?, ?, ?, ?, ?, ?)"));
    for (const QVariant &value : {QVariant(m_race), QVariant(timestamp(at)), QVariant(number),
                                  QVariant(typed), QVariant(int(right)), QVariant(ms)})
        insert.addBindValue(value);
    if (!insert.exec())
        stop(insert.lastError().text());
}

void RaceRecorder::end(Ending how, int right, int wrong, bool recordBeaten)
{
    if (!m_on)
        return;
    QSqlQuery update(QSqlDatabase::database(m_connection, false));
    update.prepare(QStringLiteral("UPDATE races SET ended = ?, right = ?, wrong = ?, total = ?, "
                                  "record_beaten = ? WHERE id = ?"));
    for (const QVariant &value :
         {QVariant(endingText(how)), QVariant(right), QVariant(wrong), QVariant(right + wrong),
          QVariant(int(recordBeaten)), QVariant(m_race)})
        update.addBindValue(value);
    if (!update.exec()) {
        stop(update.lastError().text());
        return;
    }
    m_on = false;
}

void RaceRecorder::stop(const QString &why)
{
    m_on = false;
    std::fprintf(stderr, "dieci: registro %s: %s; la gara non viene più registrata\n",
                 qPrintable(m_path), qPrintable(why));
}

} // namespace registro
