// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "random.h"
#include "services.h"
#include "speaker.h"

#include <QList>
#include <QStringList>

#include <optional>

// Scripted services for tests: dialogs are answered from queues, every call is
// logged, the timer ticks only when the test says so, and the end of the
// program is recorded instead of happening.
class FakeServices final : public platform::Services {
public:
    struct Box {
        QString prompt;
        platform::BoxStyle style;
        QString title;
    };

    FakeServices();
    ~FakeServices() override;

    // Scripts.
    QStringList inputAnswers;            // empty queue: the box is cancelled
    QList<platform::Reply> replies;      // for Yes/No boxes; empty queue: No
    QList<double> randoms;               // empty queue: a real generator
    std::function<void()> insideNextBox; // runs once while the next box is open
    QString program = QStringLiteral("/nonexistent/dieci");
    QString data;
    QDateTime clock = QDateTime(QDate(2026, 12, 7), QTime(8, 30));
    qint64 elapsed = 0;          // the monotonic clock; tests move it on
    quint32 fileSystem = 0xef53; // ext4 unless a test shares the home
    QString computer = QStringLiteral("pc-01");
    bool screenReader = false;
    platform::Speaker *speaker = nullptr; // when set, texts are really spoken too

    // What happened.
    QList<Box> boxes;
    QStringList inputPrompts;
    QStringList loadedSounds;
    QStringList playedSounds;
    QStringList spoken; // each text read aloud, "…" before one that waits its turn
    QStringList calls;  // "rnd", "randomize", "messageBox", "inputBox", ... in order
    std::optional<int> endStatus;

    QStringList boxTexts() const;
    // Delivers one tick of the newest enabled timer; false when there is none.
    bool tick();
    int liveTickers() const { return int(m_tickers.size()); }

    platform::Reply messageBox(const QString &prompt, platform::BoxStyle style,
                               const QString &title) override;
    QString inputBox(const QString &prompt) override;
    // As on the screen: the work runs while the next box is open.
    void afterFirstFrame(std::function<void()> work) override;
    void loadSound(const QString &path) override;
    void playSound(const QString &path) override;
    void say(const QString &text, platform::Speech how) override;
    bool screenReaderRunning() const override { return screenReader; }
    double rnd() override;
    void randomize() override;
    QDateTime now() const override { return clock.addMSecs(elapsed); }
    qint64 elapsedMs() const override { return elapsed; }
    std::unique_ptr<platform::Ticker> makeTicker(int intervalMs,
                                                 std::function<void()> onTick) override;
    QString programFolder() const override { return program; }
    QString dataFolder() const override { return data; }
    quint32 fileSystemType(const QString &) const override { return fileSystem; }
    QString computerName() const override { return computer; }
    [[noreturn]] void end(int status) override;

private:
    class FakeTicker;
    void runInsideBox();
    // Once the program has ended nothing after the box may run.
    void afterBox() const;

    QList<FakeTicker *> m_tickers;
    std::vector<std::function<void()>> m_afterFrame;
    platform::Random m_random;
};
