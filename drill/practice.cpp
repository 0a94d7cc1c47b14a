// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice.h"

#include <cmath>

namespace drill {

namespace {
// A fact she answers right every time but slowly still deserves a turn.
constexpr double Floor = 0.25;

// The weighted choice among candidates for a draw in [0, 1).
int pick(const QList<FactWeight> &candidates, double draw)
{
    double total = 0;
    for (const auto &[number, weight] : candidates)
        total += weight;
    double point = draw * total;
    for (const auto &[number, weight] : candidates) {
        if (point < weight)
            return number;
        point -= weight;
    }
    return candidates.back().first;
}
} // namespace

QList<FactWeight> factsToLearn(const QList<registro::AnswerRow> &answers)
{
    QList<FactWeight> facts;
    for (int n = 1; n <= 9; ++n) {
        const registro::Knowledge k = registro::knowledgeOf(answers, n);
        if (k.byHeart)
            continue;
        const double missed = k.answers ? 1.0 - double(k.right) / k.answers : 1.0;
        facts.append({n, missed + Floor});
    }
    return facts;
}

Practice::Practice(QList<FactWeight> toLearn) : m_toLearn(std::move(toLearn)) {}

int Practice::next(double draw)
{
    const bool practise = m_asked++ % 2 == 0;
    QList<FactWeight> candidates;
    if (practise) {
        for (const FactWeight &fact : m_toLearn)
            if (fact.first != m_last)
                candidates << fact;
    } else {
        // With one fact to learn, it is kept for the next question: no repeat.
        for (int n = 1; n <= 9; ++n)
            if (n != m_last && !(m_toLearn.size() == 1 && n == m_toLearn.front().first))
                candidates.append({n, 1.0});
    }
    m_last = pick(candidates, draw);
    return m_last;
}

} // namespace drill
