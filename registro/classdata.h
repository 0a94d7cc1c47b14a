// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"
#include "register.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace registro {

// Of one child's answers in a register, those that judge what she knows: the
// last 20 to each fact at least, oldest first (names compared as childKey).
QList<AnswerRow> recentAnswersOf(const Register &reg, const QString &name);

// The children of one register, or of several merged (a race that is in two
// of them counts once), sorted by name. A register that cannot be opened is
// left out, with a line in problems (and counted in unread); one whose
// reading fails part way gives what was read, with a line in problems.
QList<Child> loadClass(const QStringList &paths, QStringList *problems, int *unread = nullptr);

// The names the teacher gave children, by childKey: shown before any
// spelling they typed.
QHash<QString, QString> mendedNames(const Register &reg);

// The class most of these registers' races were played in, as the drill
// recorded it; empty when none says.
QString mostCommonClass(const QStringList &paths);

} // namespace registro
