// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "register.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace registro {

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

// Of one child's answers in a register, those that judge what she knows: the
// last 20 to each fact at least, oldest first (names compared as childKey).
QList<AnswerRow> recentAnswersOf(const Register &reg, const QString &name);

// The children of one register, or of several merged (a race that is in two
// of them counts once), sorted by name. A register that cannot be opened is
// left out, with a line in problems (and counted in unread); one whose
// reading fails part way gives what was read, with a line in problems.
QList<Child> loadClass(const QStringList &paths, QStringList *problems, int *unread = nullptr);

// How well a child knows one fact n + (10 - n), over her last 20 answers to it.
struct Knowledge {
    int answers = 0;
    int right = 0;
    qint64 medianMs = 0;
    bool byHeart = false; // 5 answers or more, at least 90% right, median under 3 s
};
Knowledge knowledgeOf(const QList<AnswerRow> &answers, int number);

} // namespace registro
