// SPDX-License-Identifier: GPL-3.0-or-later
// The race a teacher set for one child: its length, no clock at all, or
// practice on the facts she does not know yet. Every other child's race is
// the one everyone plays.
#include "tavola.h"

#include "numbers.h"
#include "practice.h"
#include "recorder.h"
#include "server.h"
#include "services.h"
#include "tavolawindow.h"

#include <QDir>

#include <cstdio>
#include <future>

namespace drill {

namespace {
struct Plan {
    registro::Adaptation adaptation;
    QList<FactWeight> toLearn;
    bool serverFailed = false;
    bool voice = false;    // read aloud: set for her or the lab, and no screen reader on
    bool contrast = false; // set for her or the lab
};

// Where a lab keeps the school's register, what her teacher set there.
struct SchoolAsked {
    QString conninfo; // empty: not asked
    QString className;
};

// From the school's server when the lab has one and her teacher set her race
// there, else from the registers as they stand when the race begins (on a
// shared home, every computer's file), read at a glance so that the greeting
// is never kept up for it; the standard race when there is none or none can
// be read (the recorder says why). Practice works on the answers this
// computer holds: the children's role is never given anyone's answers.
Plan readPlan(const QString &dir, const QString &name, const SchoolAsked &school)
{
    Plan plan;
    std::optional<registro::Adaptation> set;
    if (!school.conninfo.isEmpty()) {
        const registro::server::ChildRace asked =
            registro::server::raceOf(school.conninfo, school.className, name);
        if (asked.found)
            set = asked.race;
        plan.serverFailed = !asked.why.isEmpty();
        if (plan.serverFailed)
            std::fprintf(stderr,
                         "dieci: registro della scuola: %s; vale la gara di questo computer\n",
                         qPrintable(asked.why));
    }
    const registro::RaceSettings settings =
        registro::raceSettingsOf(registro::registersIn(dir), name, set);
    plan.adaptation = settings.adaptation;
    if (plan.adaptation.practice)
        plan.toLearn = factsToLearn(settings.recent);
    return plan;
}
} // namespace

void Tavola::readAdaptation()
{
    const QString dir = QDir::cleanPath(m_services.dataFolder()) + QStringLiteral("/");
    const platform::LabSettings lab = m_services.labSettings();
    SchoolAsked school;
    // A server that just failed is not asked again for a while: each race
    // would otherwise wait for its timeout after the greeting.
    if (!lab.server.isEmpty() && !(m_serverQuietUntil > m_services.now()))
        school = {lab.server, lab.className.trimmed()};
    const platform::Services *services = &m_services;
    auto reading = std::make_shared<std::future<Plan>>(
        std::async(std::launch::async, [dir, name = m_state.PlayerName, school, services, lab] {
            Plan plan = readPlan(dir, name, school);
            // A screen reader already reads the window: dieci leaves it the
            // speaking. Asked here, off the window's thread, as the desktop's
            // bus may be slow.
            plan.voice = (plan.adaptation.voice || lab.voice) && !services->screenReaderRunning();
            plan.contrast = plan.adaptation.contrast || lab.contrast;
            return plan;
        }));
    m_readingAdaptation = [this, reading] {
        if (!reading->valid())
            return;
        const Plan plan = reading->get();
        m_adaptation = plan.adaptation;
        m_voice = plan.voice;
        m_contrast = plan.contrast;
        if (m_contrast)
            m_window->setHighContrast(true);
        m_practice = std::make_unique<Practice>(plan.toLearn);
        if (plan.serverFailed)
            m_serverQuietUntil = m_services.now().addSecs(10 * 60);
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
    tell(QStringLiteral("Questa gara era su misura per te, %1: non vale per il record.")
             .arg(m_state.PlayerName));
}

void Tavola::speak(const QString &text, platform::Speech how)
{
    if (m_voice)
        m_services.say(text, how);
}

void Tavola::tell(const QString &text)
{
    speak(text, platform::Speech::After);
    m_services.messageBox(text);
}

} // namespace drill
