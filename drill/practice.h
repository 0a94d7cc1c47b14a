// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"

#include <QList>

#include <utility>

namespace drill {

// A fact to learn, 1..9, and how much it needs practice (more: asked more).
using FactWeight = std::pair<int, double>;

// The facts a child does not know by heart yet, by the register's rule, from
// her answers: never asked, or asked and missed most, weigh the most.
QList<FactWeight> factsToLearn(const QList<registro::AnswerRow> &answers);

// The numbers of a race with practice. Every other question, from the first,
// is a fact to learn, the least known the likeliest, so at least half of any
// first N questions are; the others are drawn over 1..9, so the known facts
// stay fresh. Never the same number twice in a row.
class Practice {
public:
    explicit Practice(QList<FactWeight> toLearn);

    // Without facts to learn the race is the ordinary one.
    bool active() const { return !m_toLearn.isEmpty(); }
    // The next number, 1..9, from a draw uniform in [0, 1).
    int next(double draw);

private:
    QList<FactWeight> m_toLearn;
    int m_asked = 0;
    int m_last = 0;
};

} // namespace drill
