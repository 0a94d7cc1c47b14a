// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "random.h"
#include "services.h"

#include <QElapsedTimer>

#include <memory>

namespace platform {

// The per-user folder of the record, the teacher's sounds and the register.
QString userDataFolder();

// The services of the real program: Qt dialogs, QSoundEffect, a drift-free
// timer, the XDG data folder and an immediate process exit.
class QtServices final : public Services {
public:
    explicit QtServices(QString title);
    ~QtServices() override;

    Reply messageBox(const QString &prompt, BoxStyle style, const QString &title) override;
    QString inputBox(const QString &prompt) override;
    void loadSound(const QString &path) override;
    void playSound(const QString &path) override;
    double rnd() override;
    void randomize() override;
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 elapsedMs() const override { return m_clock.elapsed(); }
    std::unique_ptr<Ticker> makeTicker(int intervalMs, std::function<void()> onTick) override;
    QString programFolder() const override;
    QString dataFolder() const override;
    [[noreturn]] void end(int status) override;

private:
    struct SoundCache;
    std::unique_ptr<SoundCache> m_sounds;
    Random m_random;
    QElapsedTimer m_clock;
    QString m_title;
};

} // namespace platform
