// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

struct RaceRow {
    QString started;
    QString ended;
    int right = 0;
    int wrong = 0;
    bool recordBeaten = false;
};

// One child of the class: her races and answers, oldest first, under the name
// as she first typed it.
struct Child {
    QString name;
    QList<RaceRow> races;
    QList<AnswerRow> answers;
};

// The same child whatever the case and the spaces around the name.
QString childKey(const QString &name);

// The children of one register, or of several merged, sorted by name.
// Registers that cannot be read are left out, each with a line in problems.
QList<Child> loadClass(const QStringList &paths, QStringList *problems);

// How well a child knows one fact n + (10 - n), over her last 20 answers to it.
struct Knowledge {
    int answers = 0;
    int right = 0;
    qint64 medianMs = 0;
    bool byHeart = false; // 5 answers or more, at least 90% right, median under 3 s
};
Knowledge knowledgeOf(const QList<AnswerRow> &answers, int number);

// Deletes every race and answer of one child (names compared as childKey).
bool deleteChild(const QString &path, const QString &name, QString *why);

// Recording on or off, the data kept either way.
bool setRecording(const QString &path, bool on, QString *why);
bool isRecording(const QString &path);

} // namespace registro
