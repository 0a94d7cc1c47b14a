// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <utility>

// The class as the teacher and the drill's practice see it, wherever it was
// read from (this account's registers or the school's server): children,
// their races and answers, what each knows by heart, how her scores move.
// No database here.
namespace registro {

// How many of a child's last answers to a fact judge whether she knows it.
inline constexpr int LastAnswers = 20;

// A child's race as the teacher set it: its length in minutes (0: no clock)
// and practice on the facts she does not know yet. The default is the race
// everyone plays, the only one that counts for the record. Her learning plan
// may also ask for the window to read aloud (voice) and for colours she can
// read (contrast): they change how the race is shown, not the race, so a
// race with only those is still standard.
struct Adaptation {
    int minutes = 5;
    bool practice = false;
    bool voice = false;
    bool contrast = false;
    bool standard() const { return minutes == 5 && !practice; }
    // Whether anything at all is set for her.
    bool custom() const { return !standard() || voice || contrast; }
    // "2 minuti", "senza tempo", "5 minuti, allenamento"; empty when standard.
    QString describe() const;
    // "voce", "contrasto", "voce, contrasto"; empty when neither.
    QString aids() const;
    // Everything set for her, race and aids: "2 minuti, voce"; empty when nothing.
    QString describeAll() const;
};

// The same child whatever the case and the spaces around the name.
QString childKey(const QString &name);

struct AnswerRow {
    QString at;
    int number = 0;
    bool right = false;
    qint64 ms = 0;
};

// A race as its answers tell it: the counters are counted, never stored, so a
// race that was cut short still shows what was answered.
struct RaceRow {
    QString id;
    QString started;
    QString ending; // fine, uscita, nuova gara, finestra chiusa, interrotta
    int right = 0;
    int wrong = 0;
    bool recordBeaten = false;
    QString adaptation; // how the race was set for her; empty for the race everyone plays
    QString typed;      // her name as she typed it for this race
};

// How a race that never recorded its end is shown: the drill was killed, or
// the race is still being played.
inline constexpr char Interrupted[] = "interrotta";

// One child of the class: her races, oldest first, each with its counts; of
// her answers, those that judge each fact (the last 20 to it, at least),
// oldest first; under the name as she first typed it.
struct Child {
    QString name;
    QList<RaceRow> races;
    QList<AnswerRow> answers;
    Adaptation settings; // what the teacher set for her next races
};

// A child's name as the teacher reads it: a race with no name typed is kept
// under the empty name, and shown so.
QString shownName(const QString &name);
// Names in the order an Italian reads them, whatever the machine's language:
// "Àngelo" beside "Angelo", "ada" beside "Ada".
bool italianOrder(const QString &a, const QString &b);
// The one spelling a child is shown under, in the window, the reports and
// the export: the one she typed in most of her races (spaces around it
// aside), and of those the one of her latest race. Each race is its typed
// name and its start.
QString mostUsedSpelling(const QList<std::pair<QString, QString>> &races);
// The same, of a child's races as loaded.
QString mostUsedSpelling(const QList<RaceRow> &races);

// How well a child knows one fact n + (10 - n), over her last 20 answers to it.
struct Knowledge {
    int answers = 0;
    int right = 0;
    qint64 medianMs = 0;
    bool byHeart = false; // 5 answers or more, at least 90% right, median under 3 s
};
Knowledge knowledgeOf(const QList<AnswerRow> &answers, int number);

// Whether a race ran to the clock, the five minutes everyone plays: only those
// are compared for a trend.
bool fullRace(const RaceRow &race);

// The right answers of the child's last five races, oldest first, a race that
// did not run to the clock marked with "*"; then, from her full races only,
// "in crescita" or "in calo" when the mean of the last three differs from the
// three before by 3 right answers or more, else "stabile"; nothing with fewer
// than six full races.
QString trend(const QList<RaceRow> &races);

} // namespace registro
