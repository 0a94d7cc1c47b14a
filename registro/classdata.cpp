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

struct Place {
    Child *child;
    qsizetype race;
};

// Of the answers to the races given (newest first), those that judge what a
// child knows: from the newest race back, until each fact has its last 20.
// Most children need their last few races, never all of them.
QString addRecentAnswers(const Register &reg, const QStringList &racesNewestFirst,
                         QList<AnswerRow> *answers)
{
    QSqlQuery q(reg.database());
    q.setForwardOnly(true);
    const QString from = reg.version() == 1 ? QStringLiteral("(%1)").arg(schema::answersQuery(1))
                                            : QStringLiteral("answers");
    if (!q.prepare(QStringLiteral("SELECT at, number, right, ms FROM %1 WHERE race = ? ORDER BY "
                                  "seq DESC")
                       .arg(from)))
        return q.lastError().databaseText();
    int counted[10] = {};
    int factsDone = 0;
    for (const QString &race : racesNewestFirst) {
        if (factsDone == 9)
            break;
        q.addBindValue(race);
        if (!q.exec())
            return q.lastError().databaseText();
        while (q.next()) {
            const int n = q.value(1).toInt();
            if (n >= 1 && n <= 9 && ++counted[n] == LastAnswers)
                ++factsDone;
            answers->append(
                {q.value(0).toString(), n, q.value(2).toBool(), q.value(3).toLongLong()});
        }
    }
    return {};
}

// Each race with its counts: the ones the register keeps, or added up here
// for an older register read as it is.
QString racesWithCounts(int version)
{
    if (version >= 5)
        return QStringLiteral("SELECT id, started, name, ending, record_beaten, adaptation, "
                              "right_answers, answered, child FROM races ORDER BY started");
    return QStringLiteral("SELECT r.id, r.started, r.name, r.ending, r.record_beaten, "
                          "r.adaptation, coalesce(c.right, 0), coalesce(c.total, 0), NULL FROM "
                          "(%1) r LEFT JOIN (SELECT race, sum(right <> 0) AS right, count(*) AS "
                          "total FROM (%2) GROUP BY race) c ON c.race = r.id ORDER BY r.started")
        .arg(schema::racesQuery(version), schema::answersQuery(version));
}

// Reads one register's races into the class, skipping those already read
// from another; racesOf gets each child's race ids, newest first.
// children is a std::map: a Place keeps pointing at its child while others are added.
QString readRaces(const Register &reg, std::map<QString, Child> &children,
                  QHash<QString, Place> &seen, std::map<QString, QStringList> &racesOf)
{
    const QString prefix = schema::raceKeyPrefix(reg.version(), reg.path());
    QSqlQuery races(reg.database());
    races.setForwardOnly(true);
    races.exec(racesWithCounts(reg.version()));
    QHash<QString, Place> mine;
    while (races.next()) {
        const QString id = prefix + races.value(0).toString();
        if (seen.contains(id))
            continue;
        const QString name = races.value(2).toString();
        // The folded name the register keeps; made here where it has none.
        QString key = races.value(8).toString();
        if (key.isEmpty())
            key = childKey(name);
        Child &child = children[key];
        const QString ending = races.value(3).toString();
        const int right = races.value(6).toInt();
        child.races.append({id, races.value(1).toString(),
                            ending.isEmpty() ? QLatin1String(Interrupted) : ending, right,
                            races.value(7).toInt() - right, races.value(4).toBool(),
                            races.value(5).toString(), name});
        mine.insert(id, {&child, child.races.size() - 1});
        racesOf[key].prepend(races.value(0).toString());
    }
    seen.insert(mine);
    return races.lastError().isValid() ? races.lastError().databaseText() : QString();
}

// Merged registers: each child's newest setting wins, as in the drill.
QString readSettings(const Register &reg, std::map<QString, Child> &children,
                     QHash<QString, QString> &changed)
{
    if (reg.version() < 2)
        return {};
    QSqlQuery settings(reg.database());
    // Older formats: no time of setting before 3.
    const QString changedColumn =
        reg.version() < 3 ? QStringLiteral("''") : QStringLiteral("coalesce(changed, '')");
    settings.exec(QStringLiteral("SELECT child, minutes, practice, %1, %2 FROM adaptations")
                      .arg(changedColumn, schema::aidsColumns(reg.version())));
    while (settings.next()) {
        const auto child = children.find(settings.value(0).toString());
        const QString when = settings.value(3).toString();
        if (child == children.end())
            continue;
        const auto set = changed.constFind(child->first);
        if (set == changed.cend() || when > *set) {
            child->second.settings = {settings.value(1).toInt(), settings.value(2).toBool(),
                                      settings.value(4).toBool(), settings.value(5).toBool()};
            changed.insert(child->first, when);
        }
    }
    return settings.lastError().isValid() ? settings.lastError().databaseText() : QString();
}

// Reads one register into the class: its races, of their answers only what
// judges each fact, and its settings. Empty when the whole register was
// read, else why not.
QString readRegister(const Register &reg, std::map<QString, Child> &children,
                     QHash<QString, Place> &seen, QHash<QString, QString> &changed)
{
    std::map<QString, QStringList> racesOf;
    if (QString why = readRaces(reg, children, seen, racesOf); !why.isEmpty())
        return why;
    for (const auto &[key, ids] : racesOf)
        if (QString why = addRecentAnswers(reg, ids, &children[key].answers); !why.isEmpty())
            return why;
    return readSettings(reg, children, changed);
}
} // namespace

QList<Child> loadClass(const QStringList &paths, QStringList *problems, int *unread)
{
    std::map<QString, Child> children;
    QHash<QString, Place> seen;
    QHash<QString, QString> changed; // when each child's shown setting was made
    QHash<QString, QString> mended;  // the names the teacher gave
    for (const QString &path : paths) {
        const Register reg = Register::open(path, Access::ReadOnly);
        if (!reg.isOpen()) {
            problems->append(reg.problem());
            if (unread)
                ++*unread;
            continue;
        }
        mended.insert(mendedNames(reg));
        // What was read is shown, never as if it were the whole class.
        if (const QString why = readRegister(reg, children, seen, changed); !why.isEmpty())
            problems->append(QStringLiteral("%1: lettura interrotta (%2): la classe è mostrata "
                                            "solo in parte.")
                                 .arg(reg.path(), why));
    }
    QList<Child> list;
    for (auto &[key, child] : children) {
        child.name = mended.value(key, mostUsedSpelling(child.races));
        list.append(std::move(child));
    }
    for (Child &child : list) {
        // Several registers merged: keep each child's history in time order.
        std::stable_sort(child.races.begin(), child.races.end(),
                         [](const RaceRow &a, const RaceRow &b) { return a.started < b.started; });
        std::stable_sort(child.answers.begin(), child.answers.end(),
                         [](const AnswerRow &a, const AnswerRow &b) { return a.at < b.at; });
    }
    std::sort(list.begin(), list.end(),
              [](const Child &a, const Child &b) { return italianOrder(a.name, b.name); });
    return list;
}

QList<AnswerRow> recentAnswersOf(const Register &reg, const QString &name)
{
    QSqlQuery q(reg.database());
    q.setForwardOnly(true);
    const QString key = reg.childOf(name);
    QStringList ids;
    if (reg.version() >= 4) {
        // Found by her folded name, without reading anyone else's races.
        q.prepare(QStringLiteral("SELECT id FROM races WHERE child = ? ORDER BY started DESC"));
        q.addBindValue(key);
        q.exec();
        while (q.next())
            ids << q.value(0).toString();
    } else {
        q.exec(schema::racesQuery(reg.version()) + QStringLiteral(" ORDER BY started DESC"));
        while (q.next())
            if (childKey(q.value(2).toString()) == key)
                ids << q.value(0).toString();
    }
    QList<AnswerRow> answers;
    addRecentAnswers(reg, ids, &answers);
    std::reverse(answers.begin(), answers.end());
    return answers;
}

QString mostCommonClass(const QStringList &paths)
{
    QHash<QString, int> races;
    for (const QString &path : paths)
        Register::glance(path, [&races](const Register &reg) {
            if (!reg.isOpen() || reg.version() < 3)
                return;
            QSqlQuery q(reg.database());
            q.exec(QStringLiteral("SELECT class, count(*) FROM races WHERE coalesce(class, '') "
                                  "<> '' GROUP BY class"));
            while (q.next())
                races[q.value(0).toString()] += q.value(1).toInt();
        });
    QString most;
    for (auto it = races.cbegin(); it != races.cend(); ++it)
        if (most.isEmpty() || it.value() > races.value(most))
            most = it.key();
    return most;
}

} // namespace registro
