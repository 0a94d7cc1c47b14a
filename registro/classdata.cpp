// SPDX-License-Identifier: GPL-3.0-or-later
#include "classdata.h"

#include "schema.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <functional>

namespace registro {

namespace {
constexpr int LastAnswers = 20;
constexpr qint64 ByHeartMs = 3000;
// One quick right answer could be luck: a fact is known by heart on evidence.
constexpr int ByHeartAtLeast = 5;

// Runs statements on a register opened for writing; false with the reason.
bool write(const QString &path, const std::function<bool(QSqlQuery &)> &work, QString *why)
{
    const QString name = openConnection(path, OpenMode::ReadWrite, why);
    if (name.isEmpty())
        return false;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        QSqlQuery query(db);
        ok = db.transaction() && work(query) && db.commit();
        if (!ok) {
            *why = query.lastError().text();
            db.rollback();
        }
    }
    closeConnection(name);
    return ok;
}

void readRegister(QSqlDatabase db, QHash<QString, Child> &children)
{
    QSqlQuery races(db);
    races.setForwardOnly(true);
    races.exec(QStringLiteral("SELECT id, name, started, ended, right, wrong, record_beaten "
                              "FROM races ORDER BY started"));
    QHash<qint64, Child *> byRace;
    while (races.next()) {
        const QString name = races.value(1).toString();
        Child &child = children[childKey(name)];
        if (child.name.isEmpty())
            child.name = name.trimmed();
        child.races.append({races.value(2).toString(), races.value(3).toString(),
                            races.value(4).toInt(), races.value(5).toInt(),
                            races.value(6).toBool()});
        byRace.insert(races.value(0).toLongLong(), &child);
    }
    QSqlQuery answers(db);
    answers.setForwardOnly(true);
    answers.exec(QStringLiteral("SELECT race, at, number, right, ms FROM answers ORDER BY id"));
    while (answers.next())
        if (Child *child = byRace.value(answers.value(0).toLongLong()))
            child->answers.append({answers.value(1).toString(), answers.value(2).toInt(),
                                   answers.value(3).toBool(), answers.value(4).toLongLong()});
}
} // namespace

QString childKey(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

QList<Child> loadClass(const QStringList &paths, QStringList *problems)
{
    QHash<QString, Child> children;
    for (const QString &path : paths) {
        QString why;
        const QString name = openConnection(path, OpenMode::ReadOnly, &why);
        if (name.isEmpty()) {
            problems->append(QStringLiteral("%1: %2").arg(path, why));
            continue;
        }
        readRegister(QSqlDatabase::database(name, false), children);
        closeConnection(name);
    }
    QList<Child> list = children.values();
    for (Child &child : list) {
        // Several registers merged: keep each child's history in time order.
        std::stable_sort(child.races.begin(), child.races.end(),
                         [](const RaceRow &a, const RaceRow &b) { return a.started < b.started; });
        std::stable_sort(child.answers.begin(), child.answers.end(),
                         [](const AnswerRow &a, const AnswerRow &b) { return a.at < b.at; });
    }
    std::sort(list.begin(), list.end(), [](const Child &a, const Child &b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return list;
}

Knowledge knowledgeOf(const QList<AnswerRow> &answers, int number)
{
    QList<qint64> times;
    Knowledge k;
    for (auto it = answers.crbegin(); it != answers.crend() && k.answers < LastAnswers; ++it) {
        if (it->number != number)
            continue;
        ++k.answers;
        k.right += it->right ? 1 : 0;
        times.append(it->ms);
    }
    if (times.isEmpty())
        return k;
    std::sort(times.begin(), times.end());
    const auto n = times.size();
    k.medianMs = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    k.byHeart =
        k.answers >= ByHeartAtLeast && k.right * 10 >= k.answers * 9 && k.medianMs < ByHeartMs;
    return k;
}

bool deleteChild(const QString &path, const QString &name, QString *why)
{
    return write(
        path,
        [&](QSqlQuery &query) {
            QList<qint64> ids;
            if (!query.exec(QStringLiteral("SELECT id, name FROM races")))
                return false;
            while (query.next())
                if (childKey(query.value(1).toString()) == childKey(name))
                    ids.append(query.value(0).toLongLong());
            for (qint64 id : ids) {
                for (const char *sql :
                     {"DELETE FROM answers WHERE race = ?", "DELETE FROM races WHERE id = ?"}) {
                    query.prepare(QLatin1String(sql));
                    query.addBindValue(id);
                    if (!query.exec())
                        return false;
                }
            }
            return true;
        },
        why);
}

bool setRecording(const QString &path, bool on, QString *why)
{
    return write(
        path,
        [on](QSqlQuery &query) {
            return query.exec(QStringLiteral("INSERT OR REPLACE INTO settings (key, value) "
                                             "VALUES ('attivo', '%1')")
                                  .arg(on ? 1 : 0));
        },
        why);
}

bool isRecording(const QString &path)
{
    QString why;
    const QString name = openConnection(path, OpenMode::ReadOnly, &why);
    if (name.isEmpty())
        return false;
    const bool on = registro::recordingOn(name);
    closeConnection(name);
    return on;
}

} // namespace registro
