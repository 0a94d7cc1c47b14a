// SPDX-License-Identifier: GPL-3.0-or-later
// The race a teacher set for one child: its length, no clock at all, or
// practice on the facts she does not know yet. Every other child's race is
// the one everyone plays.
#include "tavola.h"

#include "classdata.h"
#include "numbers.h"
#include "practice.h"
#include "recorder.h"
#include "services.h"

#include <QDir>

#include <algorithm>
#include <future>
#include <vector>

namespace drill {

namespace {
struct Plan {
    registro::Adaptation adaptation;
    QList<FactWeight> toLearn;
};

// From the registers as they stand when the race begins (on a shared home,
// every computer's file); the standard race when there is none or none can
// be read (the recorder says why).
Plan readPlan(const QString &dir, const QString &name)
{
    Plan plan;
    const QStringList paths = registro::registersIn(dir);
    // Held open throughout: each file is checked once, at its first open.
    std::vector<registro::Register> registers;
    for (const QString &path : paths)
        registers.push_back(registro::Register::open(path, registro::Access::ReadOnly));
    plan.adaptation = registro::latestAdaptation(paths, name);
    if (!plan.adaptation.practice)
        return plan;
    QList<registro::AnswerRow> answers;
    for (const registro::Register &reg : registers)
        if (reg.isOpen())
            answers += registro::recentAnswersOf(reg, name);
    std::stable_sort(answers.begin(), answers.end(),
                     [](const auto &a, const auto &b) { return a.at < b.at; });
    plan.toLearn = factsToLearn(answers);
    return plan;
}
} // namespace

void Tavola::readAdaptation()
{
    const QString dir = QDir::cleanPath(m_services.dataFolder()) + QStringLiteral("/");
    auto reading = std::make_shared<std::future<Plan>>(
        std::async(std::launch::async, readPlan, dir, m_state.PlayerName));
    m_readingAdaptation = [this, reading] {
        if (!reading->valid())
            return;
        const Plan plan = reading->get();
        m_adaptation = plan.adaptation;
        m_practice = std::make_unique<Practice>(plan.toLearn);
    };
}

void Tavola::countUpOneSecond()
{
    m_state.ClockSeconds += 1;
    if (m_state.ClockSeconds == 60) {
        m_state.ClockSeconds = 0;
        m_state.ClockMinutes = platform::add16(m_state.ClockMinutes, 1);
    }
    if (m_state.ClockMinutes == 60) {
        m_state.ClockMinutes = 0;
        m_state.ClockHours = platform::add16(m_state.ClockHours, 1);
    }
    setCaption("lblconto", clockText());
}

void Tavola::sayNotForTheRecord()
{
    m_services.messageBox(QStringLiteral("Questa gara era su misura per te, %1: non vale per il "
                                         "record.")
                              .arg(m_state.PlayerName));
}

} // namespace drill
