// SPDX-License-Identifier: GPL-3.0-or-later
#include "classdata.h"

#include "register.h"
#include "schema.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace registro {

namespace {
constexpr int LastAnswers = 20;
constexpr qint64 ByHeartMs = 3000;
// One quick right answer could be luck: a fact is known by heart on evidence.
constexpr int ByHeartAtLeast = 5;

struct Place {
    Child *child;
    qsizetype race;
};

// Reads one register into the class; races already read from another are skipped.
// children is a std::map: a Place keeps pointing at its child while others are added.
// Empty when the whole register was read, else why not.
QString readRegister(const Register &reg, std::map<QString, Child> &children,
                     QHash<QString, Place> &seen, QHash<QString, QString> &changed)
{
    const QString prefix = schema::raceKeyPrefix(reg.version(), reg.path());
    QSqlQuery races(reg.database());
    races.setForwardOnly(true);
    races.exec(schema::racesQuery(reg.version()) + QStringLiteral(" ORDER BY started"));
    QHash<QString, Place> mine;
    while (races.next()) {
        const QString id = prefix + races.value(0).toString();
        if (seen.contains(id))
            continue;
        const QString name = races.value(2).toString();
        Child &child = children[childKey(name)];
        if (child.name.isEmpty())
            child.name = name.trimmed();
        const QString ending = races.value(3).toString();
        child.races.append({id, races.value(1).toString(),
                            ending.isEmpty() ? QLatin1String(Interrupted) : ending, 0, 0,
                            races.value(4).toBool(), races.value(5).toString()});
        mine.insert(id, {&child, child.races.size() - 1});
    }
    QSqlQuery answers(reg.database());
    answers.setForwardOnly(true);
    answers.exec(schema::answersQuery(reg.version()) + QStringLiteral(" ORDER BY at, seq"));
    while (answers.next()) {
        const auto place = mine.constFind(prefix + answers.value(0).toString());
        if (place == mine.cend())
            continue;
        const bool right = answers.value(5).toBool();
        RaceRow &race = place->child->races[place->race];
        (right ? race.right : race.wrong) += 1;
        place->child->answers.append({answers.value(2).toString(), answers.value(3).toInt(), right,
                                      answers.value(6).toLongLong()});
    }
    seen.insert(mine);
    for (const QSqlQuery *query : {&races, &answers})
        if (query->lastError().isValid())
            return query->lastError().databaseText();
    if (reg.version() < 2)
        return {};
    // Merged registers: each child's newest setting wins, as in the drill.
    QSqlQuery settings(reg.database());
    settings.exec(reg.version() < 3 ? QStringLiteral("SELECT child, minutes, practice, '' FROM "
                                                     "adaptations")
                                    : QStringLiteral("SELECT child, minutes, practice, "
                                                     "coalesce(changed, '') FROM adaptations"));
    while (settings.next()) {
        const auto child = children.find(settings.value(0).toString());
        const QString when = settings.value(3).toString();
        if (child == children.end())
            continue;
        const auto set = changed.constFind(child->first);
        if (set == changed.cend() || when > *set) {
            child->second.settings = {settings.value(1).toInt(), settings.value(2).toBool()};
            changed.insert(child->first, when);
        }
    }
    return settings.lastError().isValid() ? settings.lastError().databaseText() : QString();
}
} // namespace

QList<Child> loadClass(const QStringList &paths, QStringList *problems, int *unread)
{
    std::map<QString, Child> children;
    QHash<QString, Place> seen;
    QHash<QString, QString> changed; // when each child's shown setting was made
    for (const QString &path : paths) {
        const Register reg = Register::open(path, Access::ReadOnly);
        if (!reg.isOpen()) {
            problems->append(reg.problem());
            if (unread)
                ++*unread;
            continue;
        }
        // What was read is shown, never as if it were the whole class.
        if (const QString why = readRegister(reg, children, seen, changed); !why.isEmpty())
            problems->append(QStringLiteral("%1: lettura interrotta (%2): la classe è mostrata "
                                            "solo in parte.")
                                 .arg(reg.path(), why));
    }
    QList<Child> list;
    for (auto &[key, child] : children)
        list.append(std::move(child));
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

QString shownName(const QString &name)
{
    return name.trimmed().isEmpty() ? QStringLiteral("(senza nome)") : name;
}

QList<AnswerRow> answersOf(const Register &reg, const QString &name)
{
    QList<AnswerRow> list;
    QSqlQuery q(reg.database());
    q.setForwardOnly(true);
    q.exec(QStringLiteral("SELECT a.at, a.number, a.right, a.ms, r.name FROM (%1) a JOIN (%2) r "
                          "ON r.id = a.race ORDER BY a.at, a.seq")
               .arg(schema::answersQuery(reg.version()), schema::racesQuery(reg.version())));
    const QString key = childKey(name);
    while (q.next())
        if (childKey(q.value(4).toString()) == key)
            list.append({q.value(0).toString(), q.value(1).toInt(), q.value(2).toBool(),
                         q.value(3).toLongLong()});
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

} // namespace registro
