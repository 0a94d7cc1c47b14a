// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <QString>
#include <QThread>

namespace platform {

class SpeechWorker;

// Reads texts aloud in Italian through the desktop's speech engine, on a
// thread of its own: a key never waits for the engine, even while it starts
// (speech-dispatcher may be started on the first text). Without an engine
// it says so once on standard error and stays silent.
class Speaker {
public:
    Speaker();
    ~Speaker();
    Speaker(const Speaker &) = delete;
    Speaker &operator=(const Speaker &) = delete;

    void say(const QString &text, Speech how);

private:
    QThread m_thread;
    SpeechWorker *m_worker = nullptr; // lives on m_thread, deleted when it ends
};

// Whether a screen reader runs on this desktop, as the accessibility bus
// says (without starting the bus): it reads the window itself. Any thread.
bool screenReaderRunning();

} // namespace platform
