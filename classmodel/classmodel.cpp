// SPDX-License-Identifier: GPL-3.0-or-later
#include "classmodel.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace registro {

namespace {
constexpr qint64 ByHeartMs = 3000;
// One quick right answer could be luck: a fact is known by heart on evidence.
constexpr int ByHeartAtLeast = 5;
} // namespace

QString childKey(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

QString Adaptation::describe() const
{
    if (standard())
        return {};
    QString text = minutes == 0   ? QStringLiteral("senza tempo")
                   : minutes == 1 ? QStringLiteral("1 minuto")
                                  : QStringLiteral("%1 minuti").arg(minutes);
    return practice ? text + QStringLiteral(", allenamento") : text;
}

QString Adaptation::aids() const
{
    QStringList said;
    if (voice)
        said << QStringLiteral("voce");
    if (contrast)
        said << QStringLiteral("contrasto");
    return said.join(QStringLiteral(", "));
}

QString Adaptation::describeAll() const
{
    QStringList said{describe(), aids()};
    said.removeAll(QString());
    return said.join(QStringLiteral(", "));
}

QString shownName(const QString &name)
{
    return name.trimmed().isEmpty() ? QStringLiteral("(senza nome)") : name;
}

bool italianOrder(const QString &a, const QString &b)
{
    // One per thread: a collator sets itself up at its first use.
    static thread_local const QCollator italian = [] {
        QCollator c(QLocale(QLocale::Italian, QLocale::Italy));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(true); // "Bambino 2" before "Bambino 10"
        return c;
    }();
    return italian.compare(a, b) < 0;
}

QString mostUsedSpelling(const QList<std::pair<QString, QString>> &races)
{
    struct Tally {
        int races = 0;
        QString latest;
    };
    QHash<QString, Tally> spellings;
    QString best;
    for (const auto &[typed, started] : races) {
        const QString name = typed.trimmed();
        Tally &t = spellings[name];
        t.races += 1;
        t.latest = std::max(t.latest, started);
        const Tally &b = spellings.value(best);
        if (best.isNull() || t.races > b.races || (t.races == b.races && t.latest > b.latest))
            best = name;
    }
    return best.isNull() ? QString() : best;
}

QString mostUsedSpelling(const QList<RaceRow> &races)
{
    QList<std::pair<QString, QString>> typed;
    for (const RaceRow &race : races)
        typed.append({race.typed, race.started});
    return mostUsedSpelling(typed);
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

namespace {
constexpr int Shown = 5;
constexpr int Compared = 3;
// Race to race a child's score moves by a few answers by chance alone.
constexpr double Meaningful = 3.0;

double mean(const QList<int> &values, qsizetype from)
{
    double sum = 0;
    for (qsizetype i = from; i < from + Compared; ++i)
        sum += values[i];
    return sum / Compared;
}
} // namespace

bool fullRace(const RaceRow &race)
{
    return race.ending == QLatin1String("fine") && race.adaptation.isEmpty();
}

QString trend(const QList<RaceRow> &races)
{
    QStringList last;
    for (qsizetype i = std::max<qsizetype>(0, races.size() - Shown); i < races.size(); ++i)
        last << QString::number(races[i].right) + (fullRace(races[i]) ? "" : "*");
    QList<int> full;
    for (const RaceRow &race : races)
        if (fullRace(race))
            full << race.right;
    if (full.size() < 2 * Compared)
        return last.join(u' ');
    const double change =
        mean(full, full.size() - Compared) - mean(full, full.size() - 2 * Compared);
    return last.join(u' ') + (change >= Meaningful    ? QStringLiteral(", in crescita")
                              : change <= -Meaningful ? QStringLiteral(", in calo")
                                                      : QStringLiteral(", stabile"));
}

} // namespace registro
