// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "filesystems.h"
#include "labsettings.h"

#include <QDateTime>
#include <QString>
#include <QSysInfo>

#include <functional>
#include <memory>

namespace platform {

// Message box buttons: OK only, or Yes/No with a question icon and No as the
// default (the classic style 292). Critical is the run-time error report.
enum class BoxStyle { Ok, YesNoQuestion, Critical };
enum class Reply { Ok, Yes, No };

// A repeating timer whose ticks arrive on the user-interface thread.
class Ticker {
public:
    virtual ~Ticker() = default;
    virtual void setEnabled(bool on) = 0;
    virtual bool isEnabled() const = 0;
};

// How a text read aloud meets what is still being said: Cut silences it,
// After waits for it to end.
enum class Speech { Cut, After };

// Thrown by a replacement of Services::end() (tests) so that nothing after the
// end runs; the real program never sees it because its end never returns.
struct ProgramEnded {
    int status = 0;
};

// Everything the window needs from the outside world. The program uses
// QtServices; tests substitute a scripted fake.
class Services {
public:
    virtual ~Services() = default;

    // Modal. title empty means the program's own title.
    virtual Reply messageBox(const QString &prompt, BoxStyle style = BoxStyle::Ok,
                             const QString &title = {}) = 0;
    // Modal. Empty when nothing was typed or the box was cancelled.
    virtual QString inputBox(const QString &prompt) = 0;
    // Runs work once the next box is on the screen, while it waits for the
    // child: what the box does not need is made then, so it appears sooner.
    virtual void afterFirstFrame(std::function<void()> work) = 0;

    // Decodes a wave file ahead of its first use; silent on any failure.
    virtual void loadSound(const QString &path) = 0;
    // Starts playing and returns at once; silent on any failure.
    virtual void playSound(const QString &path) = 0;

    // Reads text aloud in Italian and returns at once; silent, with one line
    // on standard error, where no speech engine works.
    virtual void say(const QString &text, Speech how = Speech::Cut) = 0;
    // Whether a screen reader is reading the desktop: it reads the window
    // itself, and two voices at once help nobody. May be asked from any thread.
    virtual bool screenReaderRunning() const = 0;

    // Uniform in [0, 1).
    virtual double rnd() = 0;
    // Folds the current clock reading into the generator's state.
    virtual void randomize() = 0;

    // The wall clock, and a monotonic one in milliseconds for durations.
    virtual QDateTime now() const = 0;
    virtual qint64 elapsedMs() const = 0;

    virtual std::unique_ptr<Ticker> makeTicker(int intervalMs, std::function<void()> onTick) = 0;

    // The folder holding "suoni", without a trailing separator.
    virtual QString programFolder() const = 0;
    // The per-user folder where the record files live (may not exist yet).
    virtual QString dataFolder() const = 0;

    // What kind of file system holds path (statfs's f_type), and this
    // computer's name: a home shared by the lab's computers is written in a
    // file per computer.
    virtual quint32 fileSystemType(const QString &path) const { return fileSystemTypeOf(path); }
    virtual QString computerName() const { return QSysInfo::machineHostName(); }

    // What the school's IT person set for the lab, with this account's own
    // settings over it; read again at each race.
    virtual LabSettings labSettings() const { return readLabSettings(); }

    // Stops the program at once: no handler, no unload, nothing runs after it.
    [[noreturn]] virtual void end(int status) = 0;
};

} // namespace platform
