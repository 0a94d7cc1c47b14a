// SPDX-License-Identifier: GPL-3.0-or-later
// A child's race as the teacher set it, kept in the register.
#include "register.h"

#include "classdata.h"
#include "schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace registro {

Adaptation Register::adaptation(const QString &name) const
{
    Adaptation a;
    if (m_version < 2)
        return a;
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT minutes, practice, %1 FROM adaptations WHERE child = ?")
                      .arg(schema::aidsColumns(m_version)));
    query.addBindValue(childOf(name));
    if (query.exec() && query.next())
        a = {query.value(0).toInt(), query.value(1).toBool(), query.value(2).toBool(),
             query.value(3).toBool()};
    return a;
}

QString Register::setAdaptation(const QString &name, const Adaptation &adaptation)
{
    if (!m_writable)
        return QStringLiteral("registro in sola lettura");
    // The standard race is kept as a setting too: on a shared home it must
    // outweigh an older one in another computer's file.
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO adaptations (child, minutes, practice, "
                                 "voice, contrast, changed) VALUES (?, ?, ?, ?, ?, ?)"));
    query.addBindValue(childOf(name));
    query.addBindValue(adaptation.minutes);
    query.addBindValue(int(adaptation.practice));
    query.addBindValue(int(adaptation.voice));
    query.addBindValue(int(adaptation.contrast));
    query.addBindValue(timestamp(QDateTime::currentDateTime()));
    return query.exec() ? QString() : query.lastError().databaseText();
}

QString Register::adaptationChanged(const QString &name) const
{
    if (m_version < 3)
        return {};
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT coalesce(changed, '') FROM adaptations WHERE child = ?"));
    query.addBindValue(childOf(name));
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

namespace {
// Takes reg's setting for her when it was made after *when: a file without a
// setting for her says nothing.
void takeNewer(const Register &reg, const QString &name, Adaptation *latest, QString *when)
{
    if (const QString changed = reg.adaptationChanged(name); changed > *when || when->isNull()) {
        const Adaptation a = reg.adaptation(name);
        if (!changed.isEmpty() || a.custom()) {
            *latest = a;
            *when = changed;
        }
    }
}
} // namespace

RaceSettings raceSettingsOf(const QStringList &paths, const QString &name,
                            const std::optional<Adaptation> &set)
{
    RaceSettings settings;
    QString when;
    if (set) {
        settings.adaptation = *set;
        if (!set->practice)
            return settings;
    }
    QList<AnswerRow> answers;
    for (const QString &path : paths)
        Register::glance(path, [&](const Register &reg) {
            if (!reg.isOpen())
                return;
            if (!set)
                takeNewer(reg, name, &settings.adaptation, &when);
            answers += recentAnswersOf(reg, name);
        });
    if (settings.adaptation.practice) {
        std::stable_sort(answers.begin(), answers.end(),
                         [](const AnswerRow &a, const AnswerRow &b) { return a.at < b.at; });
        settings.recent = std::move(answers);
    }
    return settings;
}

} // namespace registro
