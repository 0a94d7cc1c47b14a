// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "boundary.h"
#include "register.h"
#include "services.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {
class Ticker;
} // namespace platform

namespace ui {
class CaptionLabel;
class TavolaWindow;
} // namespace ui

namespace registro {
class RaceRecorder;
enum class Ending;
} // namespace registro

namespace drill {

class Practice;
class SchoolLink;

// The form-level variables shared by the window's handlers.
struct FormState {
    QString PlayerName;
    std::int16_t ExpectedAnswer = 0;
    std::int16_t RightCount = 0;
    std::int16_t WrongCount = 0;
    std::int16_t TintLevel = 0;
    std::int16_t ClockHours = 0;
    std::int16_t ClockMinutes = 0;
    float ClockSeconds = 0;
    QString WinDir; // the record folder, with its trailing separator
};

// The logic of the drill's window (the window itself is ui::TavolaWindow): the
// handlers of its notices and the state they share. One object is one race; a
// new race is a new Tavola. Each group of handlers below lives in the file
// named above it.
class Tavola : public QObject {
    Q_OBJECT
public:
    Tavola(platform::Services &services, SchoolLink &school);
    ~Tavola() override;

    // Builds the window, runs the load notice and shows the window maximized.
    void load();
    // Stops the clock and hides the window, ahead of its destruction.
    void unload();

    ui::TavolaWindow &window() const { return *m_window; }
    const FormState &state() const { return m_state; }
    platform::Ticker &timer1() const { return *m_timer1; }
    bool ended() const { return m_boundary.ended(); }

signals:
    // The menu asked for a new race: this window is to be unloaded and a new
    // one loaded in its place.
    void restartRequested();

private:
    // tavola.cpp: start-up, the window's notices and the helpers they share.
    void buildWindow();
    void connectNotices();
    void Form_Load();
    void StartCountdown();
    void Form_Resize();
    QString clockText() const;
    ui::CaptionLabel &label(const char *name) const; // raises when there is none
    QString caption(const char *name) const;
    void setCaption(const char *name, const QString &text);
    void enableNext();
    QString soundPath(const char *file) const;

    // questions.cpp: posing a question and painting the backdrop.
    void Form_Activate();
    void cmdNext_Click();
    void paintBackdrop();

    // answers.cpp: the key filter and judging.
    void txtAnswer_KeyPress(std::int16_t &KeyAscii);
    void judge();
    void describeJudgement();
    void PlaySoundFile(const QString &path);

    // countdown.cpp
    void Timer1_Timer();

    // endgame.cpp: the end of a race and the record.
    void EndGame();
    void cmdExit_Click();
    void checkAndSaveRecord(registro::Ending how);
    // Ends the program, the window first.
    void leave();

    // newrace.cpp
    void Next_Click();

    // Recording into the class register, when the teacher has turned it on.
    void finishRecording(registro::Ending how, bool recordBeaten);
    void startRecording();
    // The register this computer writes in dir (one of its own on a shared home).
    QString ownRegister(const QString &dir) const;
    // adaptation.cpp: the race the teacher set for this child, if any.
    void readAdaptation();
    void countUpOneSecond();
    void sayNotForTheRecord();
    // Read aloud only in a race the teacher (or the lab) asked so for.
    void speak(const QString &text, platform::Speech how = platform::Speech::Cut);
    // A box for the child, read aloud after what is being said.
    void tell(const QString &text);
    // countdown.cpp: the time left, aloud, each minute and ten seconds before the end.
    void announceTimeLeft();

    platform::Services &m_services;
    SchoolLink &m_school;
    platform::NoticeBoundary m_boundary;
    std::unique_ptr<ui::TavolaWindow> m_window;
    std::unique_ptr<platform::Ticker> m_timer1;
    FormState m_state;
    std::unique_ptr<registro::RaceRecorder> m_register;
    registro::Adaptation m_adaptation; // the standard race unless the teacher set one
    std::unique_ptr<Practice> m_practice;
    std::function<void()> m_readingAdaptation; // joins the reading begun with the name
    QDateTime m_serverQuietUntil;              // the school's server failed: not asked before then
    qint64 m_questionShownAt = 0;
    bool m_ending = false;   // the end of the race has begun
    bool m_voice = false;    // the race is read aloud
    bool m_contrast = false; // in colours of high contrast
};

} // namespace drill
