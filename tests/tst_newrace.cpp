// SPDX-License-Identifier: GPL-3.0-or-later
#include "race.h"
#include "recordfiles.h"
#include "services.h"
#include "surface.h"

#include <QAction>
#include <QPointer>
#include <QSignalSpy>

namespace {
const QString Question = "INIZIAMO UNA NUOVA GARA  ?";
}

class TestNewRace : public QObject {
    Q_OBJECT
private slots:
    void noLeavesTheRaceAsItWas();
    void yesAsksUpToWhichNumber_data();
    void yesAsksUpToWhichNumber();
    void restartLoadsAFreshWindow();
    void clockRunningOutDuringTheQuestionEndsTheRace();
};

void TestNewRace::noLeavesTheRaceAsItWas()
{
    Race race;
    QVERIFY(race.start());
    race.answer("0"); // wrong: counters and message change
    race.fake.tick();
    const QString number = race.caption("lblNum1");
    race.fake.replies << platform::Reply::No;
    race.window().nextAction()->trigger();
    const FakeServices::Box box = race.fake.boxes.last();
    QCOMPARE(box.prompt, Question);
    QCOMPARE(box.style, platform::BoxStyle::YesNoQuestion);
    QCOMPARE(box.title, QString("INIZIARE NUOVA GARA"));
    QTest::qWait(20);
    QCOMPARE(race.caption("lblScore1"), QString("1"));
    QVERIFY(race.caption("lblMessage").startsWith("Sbagliato!! "));
    QCOMPARE(race.caption("lblconto"), QString("00:04:59"));
    QCOMPARE(race.caption("lblNum1"), number);
    QCOMPARE(race.fake.inputPrompts.size(), 1); // only the name at start-up
}

void TestNewRace::yesAsksUpToWhichNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("told");
    QTest::newRow("empty or cancelled") << "" << true;
    QTest::newRow("a number") << "5" << false;
}

void TestNewRace::yesAsksUpToWhichNumber()
{
    QFETCH(QString, typed);
    QFETCH(bool, told);
    Race race;
    QVERIFY(race.start());
    race.fake.replies << platform::Reply::Yes;
    race.fake.inputAnswers = {typed, "Bea"};
    QSignalSpy restarted(race.program.get(), &drill::Program::restarted);
    race.window().nextAction()->trigger();
    QCOMPARE(race.fake.inputPrompts.at(1), QString("Tavola pitagorica fino al numero? "));
    QCOMPARE(race.fake.boxTexts().contains(" Anna siccome non hai scelto arriviamo fino al 10."),
             told);
    QVERIFY(restarted.wait(2000));
}

void TestNewRace::restartLoadsAFreshWindow()
{
    Race race;
    QVERIFY(race.start());
    race.answer("0");
    for (int i = 0; i < 5; ++i)
        race.fake.tick();
    QPointer<ui::TavolaWindow> oldWindow = &race.window();

    race.fake.replies << platform::Reply::Yes;
    race.fake.inputAnswers = {"3", "Bea"};
    race.fake.randoms = {0.0, 0.45};
    const auto draws = race.fake.calls.count("rnd");
    QSignalSpy restarted(race.program.get(), &drill::Program::restarted);
    race.window().nextAction()->trigger();
    // A record saved meanwhile by another program is read again.
    race.putRecordFile(records::PointsFileName, "9\r\n");
    QVERIFY(restarted.wait(2000));
    QVERIFY(race.waitForQuestion());

    QCOMPARE(race.fake.inputPrompts.last(), QString("Come ti chiami?"));
    QCOMPARE(race.state().PlayerName, QString("Bea"));
    QCOMPARE(race.caption("lblnome1"), QString("Bea"));
    QCOMPARE(race.caption("lblpunti"), QString("9\r\n"));
    QCOMPARE(race.caption("lblconto"), QString("00:05:00"));
    for (const char *counter : {"lblScore", "lblScore1", "lblScore2"})
        QCOMPARE(race.caption(counter), QString("0"));
    QCOMPARE(race.state().WrongCount, 0);
    QVERIFY(!race.window().cmdNext()->isEnabled());
    QVERIFY(race.window().isMaximized());
    QCOMPARE(race.window().surface()->backColor() == Qt::black, false);
    // Exactly one new question: its two draws.
    QTest::qWait(50);
    QCOMPARE(race.caption("lblNum1"), QString("4"));
    QCOMPARE(race.fake.calls.count("rnd") - draws, 2);
    QTRY_VERIFY(oldWindow.isNull());
    // The old race's timer is gone with its window; the new one starts afresh.
    QCOMPARE(race.fake.liveTickers(), 1);
    race.fake.tick();
    QCOMPARE(race.caption("lblconto"), QString("00:04:59"));
    // The old score was dropped, not saved.
    QCOMPARE(race.recordFile(records::NameFileName), QByteArray());
}

void TestNewRace::clockRunningOutDuringTheQuestionEndsTheRace()
{
    Race race;
    QVERIFY(race.start());
    for (int i = 0; i < 300; ++i)
        race.fake.tick();
    race.fake.replies << platform::Reply::Yes;
    race.fake.insideNextBox = [&] { race.fake.tick(); };
    QSignalSpy restarted(race.program.get(), &drill::Program::restarted);
    race.window().nextAction()->trigger();
    QCOMPARE(race.fake.endStatus, std::optional(0));
    QVERIFY(race.fake.boxTexts().contains("Ciao, alla prossima sfida. "));
    QTest::qWait(20);
    QCOMPARE(restarted.size(), 0);
}

QTEST_MAIN(TestNewRace)
#include "tst_newrace.moc"
