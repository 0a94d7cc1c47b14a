// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "paths.h"
#include "random.h"
#include "services.h"

#include <QElapsedTimer>

#include <memory>
#include <vector>

class QWidget;

namespace platform {

class Speaker;

// The services of the real program: Qt dialogs, QSoundEffect, a drift-free
// timer, the XDG data folder and an immediate process exit.
class QtServices final : public Services {
public:
    explicit QtServices(QString title);
    ~QtServices() override;

    Reply messageBox(const QString &prompt, BoxStyle style, const QString &title) override;
    QString inputBox(const QString &prompt) override;
    void afterFirstFrame(std::function<void()> work) override;
    void loadSound(const QString &path) override;
    void playSound(const QString &path) override;
    void say(const QString &text, Speech how) override;
    bool screenReaderRunning() const override;
    double rnd() override;
    void randomize() override;
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 elapsedMs() const override { return m_clock.elapsed(); }
    std::unique_ptr<Ticker> makeTicker(int intervalMs, std::function<void()> onTick) override;
    QString programFolder() const override;
    QString dataFolder() const override;
    [[noreturn]] void end(int status) override;

private:
    void runAfterFirstFrame(QWidget *box);

    struct SoundCache;
    std::vector<std::function<void()>> m_afterFrame;
    std::unique_ptr<SoundCache> m_sounds;
    std::unique_ptr<Speaker> m_speaker; // made at the first text read aloud
    Random m_random;
    QElapsedTimer m_clock;
    QString m_title;
};

} // namespace platform
