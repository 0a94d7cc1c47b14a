// SPDX-License-Identifier: GPL-3.0-or-later
#include "tavola.h"

#include "answerbox.h"
#include "captionlabel.h"
#include "controltable.h"
#include "numbers.h"
#include "picturebutton.h"
#include "practice.h"
#include "recorder.h"
#include "recordfiles.h"
#include "register.h"
#include "runtimeerror.h"
#include "school.h"
#include "services.h"
#include "tavolawindow.h"

#include <QAction>
#include <QDir>
#include <QPointer>

namespace drill {

using platform::formatNumber;

Tavola::Tavola(platform::Services &services, SchoolLink &school)
    : m_services(services), m_school(school), m_boundary(services, QStringLiteral("dieci"))
{
}

Tavola::~Tavola() = default;

void Tavola::load()
{
    m_timer1 = m_services.makeTicker(ui::TimerIntervalMs,
                                     [this] { m_boundary.deliver([this] { Timer1_Timer(); }); });
    // The window is not shown before the name is typed: it is built while the
    // name box waits, so the box comes first, or when the load notice needs it.
    m_services.afterFirstFrame([self = QPointer<Tavola>(this)] {
        if (self)
            self->buildWindow();
    });
    // A run-time error ends the program: what the register holds stays whole.
    m_boundary.atEnd([this] {
        if (m_register)
            m_register->finish();
        m_school.finish(SchoolLink::ExitPatience);
    });
    // What an earlier run left unsent goes now, while the child types her name.
    if (const platform::LabSettings lab = m_services.labSettings(); !lab.server.isEmpty())
        m_school.start(ownRegister(QDir::cleanPath(m_services.dataFolder()) + u'/'), lab.server,
                       m_services.computerName());
    m_boundary.deliver([this] { Form_Load(); });
    if (!m_boundary.ended())
        m_window->showMaximized();
}

void Tavola::buildWindow()
{
    if (m_window)
        return;
    m_window = std::make_unique<ui::TavolaWindow>();
    connectNotices();
}

void Tavola::unload()
{
    if (m_timer1)
        m_timer1->setEnabled(false);
    if (m_window)
        m_window->hide();
}

void Tavola::connectNotices()
{
    ui::TavolaWindow *w = m_window.get();
    auto deliver = [this](void (Tavola::*handler)()) {
        return [this, handler] { m_boundary.deliver([this, handler] { (this->*handler)(); }); };
    };
    connect(w, &ui::TavolaWindow::resized, this, deliver(&Tavola::Form_Resize));
    connect(w, &ui::TavolaWindow::activated, this, deliver(&Tavola::Form_Activate));
    connect(w->cmdNext(), &QPushButton::clicked, this, deliver(&Tavola::cmdNext_Click));
    connect(w->cmdExit(), &QPushButton::clicked, this, deliver(&Tavola::cmdExit_Click));
    connect(w->nextAction(), &QAction::triggered, this, deliver(&Tavola::Next_Click));
    // Not a notice of the drill: the race only ends in the register.
    connect(w, &ui::TavolaWindow::closed, this, [this] {
        finishRecording(registro::Ending::WindowClosed, false);
        m_window->hide();
        m_school.finish(SchoolLink::ExitPatience);
    });
    w->txtAnswer()->setKeyPressHandler([this](std::int16_t &code) {
        m_boundary.deliver([this, &code] { txtAnswer_KeyPress(code); });
    });
}

void Tavola::Form_Load()
{
    m_state.RightCount = 0;
    m_state.WrongCount = 0;
    m_timer1->setEnabled(false);
    m_state.PlayerName = m_services.inputBox(QStringLiteral("Come ti chiami?"));
    // Her settings, if the teacher made any, are read while the greeting is up.
    readAdaptation();
    m_services.messageBox(QStringLiteral(" ") + m_state.PlayerName +
                          QStringLiteral(" vediamo se sei un vero campione  "));
    buildWindow();
    setCaption("lblnome1", m_state.PlayerName);
    m_readingAdaptation();
    StartCountdown();
    m_state.RightCount = 0;
    m_state.WrongCount = 0;
    m_state.WinDir = records::GetSystemDir(m_services);
    // Another copy may be saving right now: creating and reading the files
    // waits for it, so this race starts from a whole pair.
    const records::StoredRecord stored = records::openRecord(m_state.WinDir);
    setCaption("lblpunti", stored.points);
    setCaption("lblnome", stored.name);
    setCaption("lblconto", clockText());
    startRecording();
    // Decoded now, so the first answer's sound starts without delay.
    m_services.loadSound(soundPath("Esatto.wav"));
    m_services.loadSound(soundPath("no.wav"));
}

void Tavola::StartCountdown()
{
    m_timer1->setEnabled(true);
    m_state.ClockHours = 0;
    m_state.ClockMinutes = std::int16_t(m_adaptation.minutes); // 5 unless the teacher set it
    m_state.ClockSeconds = 0;
}

void Tavola::Form_Resize()
{
    if (m_window->isMinimized())
        m_window->setWindowTitle(QStringLiteral("Trova il successivo"));
}

QString Tavola::clockText() const
{
    const QString pattern = QStringLiteral("00");
    return formatNumber(m_state.ClockHours, pattern) + u':' +
           formatNumber(m_state.ClockMinutes, pattern) + u':' +
           formatNumber(m_state.ClockSeconds, pattern);
}

ui::CaptionLabel &Tavola::label(const char *name) const
{
    ui::CaptionLabel *found = m_window->label(name);
    if (!found)
        platform::raiseNoSuchControl(name);
    return *found;
}

QString Tavola::caption(const char *name) const
{
    return label(name).caption();
}

void Tavola::setCaption(const char *name, const QString &text)
{
    label(name).setCaption(text);
}

void Tavola::enableNext()
{
    m_window->cmdNext()->setEnabled(true);
    m_window->cmdNext()->setFocus();
}

QString Tavola::ownRegister(const QString &dir) const
{
    const bool shared = platform::isNetworkFileSystem(m_services.fileSystemType(dir));
    return registro::ownRegisterPath(dir, shared, m_services.computerName());
}

void Tavola::startRecording()
{
    // Read at every race: IT may have changed the lab's file meanwhile.
    const platform::LabSettings lab = m_services.labSettings();
    const QString path = ownRegister(m_state.WinDir);
    registro::RecorderOptions options;
    options.className = lab.className;
    options.create = lab.recordAlways;
    // The sender, started with the program, hears of each answer.
    if (!lab.server.isEmpty())
        options.written = [&school = m_school] { school.poke(); };
    m_register = std::make_unique<registro::RaceRecorder>(
        path, m_services.now(), m_state.PlayerName, m_adaptation.describe(), std::move(options));
}

void Tavola::finishRecording(registro::Ending how, bool recordBeaten)
{
    if (m_register)
        m_register->end(how, recordBeaten);
}

QString Tavola::soundPath(const char *file) const
{
    return m_services.programFolder() + QStringLiteral("/suoni/") + QLatin1String(file);
}

} // namespace drill
