// SPDX-License-Identifier: GPL-3.0-or-later
// The race a teacher set for one child: its length, no clock at all, or
// practice on the facts she does not know yet. Every other child's race is
// the one everyone plays.
#include "tavola.h"

#include "numbers.h"
#include "practice.h"
#include "recorder.h"
#include "services.h"

#include <QDir>

#include <future>

namespace drill {

namespace {
struct Plan {
    registro::Adaptation adaptation;
    QList<FactWeight> toLearn;
};

// From the registers as they stand when the race begins (on a shared home,
// every computer's file), read at a glance so that the greeting is never
// kept up for it; the standard race when there is none or none can be read
// (the recorder says why).
Plan readPlan(const QString &dir, const QString &name)
{
    const registro::RaceSettings settings =
        registro::raceSettingsOf(registro::registersIn(dir), name);
    if (!settings.adaptation.practice)
        return {settings.adaptation, {}};
    return {settings.adaptation, factsToLearn(settings.recent)};
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
