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
#include <QFileInfo>

#include <future>

namespace drill {

namespace {
struct Plan {
    registro::Adaptation adaptation;
    QList<FactWeight> toLearn;
};

// From the register as it stands when the race begins; the standard race when
// there is none or it cannot be read (the recorder says why).
Plan readPlan(const QString &path, const QString &name)
{
    Plan plan;
    if (!QFileInfo::exists(path))
        return plan;
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadOnly);
    if (!reg.isOpen())
        return plan;
    plan.adaptation = reg.adaptation(name);
    if (plan.adaptation.practice)
        plan.toLearn = factsToLearn(registro::answersOf(reg, name));
    return plan;
}
} // namespace

void Tavola::readAdaptation()
{
    const QString path =
        ownRegister(QDir::cleanPath(m_services.dataFolder()) + QStringLiteral("/"));
    auto reading = std::make_shared<std::future<Plan>>(
        std::async(std::launch::async, readPlan, path, m_state.PlayerName));
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
