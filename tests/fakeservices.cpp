// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeservices.h"

class FakeServices::FakeTicker final : public platform::Ticker {
public:
    FakeTicker(FakeServices &owner, std::function<void()> onTick)
        : m_owner(owner), onTick(std::move(onTick))
    {
        m_owner.m_tickers.append(this);
    }
    ~FakeTicker() override { m_owner.m_tickers.removeOne(this); }
    void setEnabled(bool on) override { m_enabled = on; }
    bool isEnabled() const override { return m_enabled; }

    FakeServices &m_owner;
    std::function<void()> onTick;
    bool m_enabled = false;
};

FakeServices::FakeServices() = default;
FakeServices::~FakeServices() = default;

QStringList FakeServices::boxTexts() const
{
    QStringList texts;
    for (const Box &box : boxes)
        texts << box.prompt;
    return texts;
}

bool FakeServices::tick()
{
    for (auto it = m_tickers.rbegin(); it != m_tickers.rend(); ++it) {
        if ((*it)->m_enabled) {
            (*it)->onTick();
            return true;
        }
    }
    return false;
}

void FakeServices::afterFirstFrame(std::function<void()> work)
{
    m_afterFrame.push_back(std::move(work));
}

void FakeServices::runInsideBox()
{
    for (const auto &work : std::exchange(m_afterFrame, {}))
        work();
    if (insideNextBox) {
        auto inside = std::move(insideNextBox);
        insideNextBox = nullptr;
        inside();
    }
}

void FakeServices::afterBox() const
{
    if (endStatus)
        throw platform::ProgramEnded{*endStatus};
}

platform::Reply FakeServices::messageBox(const QString &prompt, platform::BoxStyle style,
                                         const QString &title)
{
    calls << QStringLiteral("messageBox");
    boxes.append({prompt, style, title});
    runInsideBox();
    afterBox();
    if (style != platform::BoxStyle::YesNoQuestion)
        return platform::Reply::Ok;
    return replies.isEmpty() ? platform::Reply::No : replies.takeFirst();
}

QString FakeServices::inputBox(const QString &prompt)
{
    calls << QStringLiteral("inputBox");
    inputPrompts << prompt;
    runInsideBox();
    afterBox();
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

void FakeServices::loadSound(const QString &path)
{
    loadedSounds << path;
}

void FakeServices::say(const QString &text, platform::Speech how)
{
    calls << QStringLiteral("say");
    spoken << (how == platform::Speech::After ? QStringLiteral("…") + text : text);
    if (speaker)
        speaker->say(text, how);
}

void FakeServices::playSound(const QString &path)
{
    calls << QStringLiteral("playSound");
    playedSounds << path;
}

double FakeServices::rnd()
{
    calls << QStringLiteral("rnd");
    return randoms.isEmpty() ? m_random.next() : randoms.takeFirst();
}

void FakeServices::randomize()
{
    calls << QStringLiteral("randomize");
    m_random.reseed(42);
}

std::unique_ptr<platform::Ticker> FakeServices::makeTicker(int, std::function<void()> onTick)
{
    return std::make_unique<FakeTicker>(*this, std::move(onTick));
}

void FakeServices::end(int status)
{
    calls << QStringLiteral("end");
    endStatus = status;
    throw platform::ProgramEnded{status};
}
