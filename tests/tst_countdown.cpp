// SPDX-License-Identifier: GPL-3.0-or-later
#include "countdown.h"
#include "race.h"
#include "recordfiles.h"

class TestCountdown : public QObject {
    Q_OBJECT
private slots:
    void courseOfARace();
    void borrowing_data();
    void borrowing();
    void tickDuringTheGoodbyeDoesNotEndTwice();
    void endIsDecidedOnTheText();
};

void TestCountdown::courseOfARace()
{
    Race race;
    QVERIFY(race.start());
    const QMap<int, QString> course = {{1, "00:04:59"},  {59, "00:04:01"},  {60, "00:04:00"},
                                       {61, "00:03:59"}, {299, "00:00:01"}, {300, "00:00:00"}};
    for (int tick = 1; tick <= 300; ++tick) {
        QVERIFY(race.fake.tick());
        const QString text = race.caption("lblconto");
        QVERIFY2(!text.endsWith(":60"), qPrintable(text));
        if (course.contains(tick))
            QCOMPARE(text, course[tick]);
    }
    QVERIFY(race.fake.boxes.size() == 1); // only the greeting so far
    QVERIFY(!race.fake.endStatus);

    QVERIFY(race.fake.tick()); // 301: the end begins
    QCOMPARE(race.caption("lblconto"), QString("00:00:00"));
    QCOMPARE(race.fake.boxTexts().last(), QString("Ciao, alla prossima sfida. "));
    QCOMPARE(race.fake.endStatus, std::optional(0));
}

void TestCountdown::borrowing_data()
{
    QTest::addColumn<QList<int>>("before"); // hours, minutes, seconds
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("seconds") << QList<int>{0, 5, 30} << QList<int>{0, 5, 29};
    QTest::newRow("minute borrow") << QList<int>{0, 4, 0} << QList<int>{0, 3, 59};
    QTest::newRow("hour borrow") << QList<int>{1, 0, 0} << QList<int>{0, 59, 59};
    QTest::newRow("last second") << QList<int>{0, 0, 1} << QList<int>{0, 0, 0};
}

void TestCountdown::borrowing()
{
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    std::int16_t hours = std::int16_t(before[0]), minutes = std::int16_t(before[1]);
    float seconds = float(before[2]);
    drill::countDownOneSecond(hours, minutes, seconds);
    QCOMPARE(QList<int>({hours, minutes, int(seconds)}), after);
}

void TestCountdown::tickDuringTheGoodbyeDoesNotEndTwice()
{
    Race race;
    race.putRecordFile(records::PointsFileName, "");
    QVERIFY(race.start());
    race.window().label("lblScore")->setCaption("4"); // beats the empty record
    race.runClock(300);
    int ticksInsideBox = 0;
    race.fake.insideNextBox = [&] { ticksInsideBox += race.fake.tick(); };
    race.fake.tick();
    QCOMPARE(ticksInsideBox, 1);
    QCOMPARE(race.fake.boxTexts().count("Ciao, alla prossima sfida. "), 1);
    QCOMPARE(race.fake.boxTexts().count("Ok! Ho registrato il tuo record, C A M P I O N E"), 1);
    QCOMPARE(race.fake.calls.count("end"), 1);
    QCOMPARE(race.recordFile(records::PointsFileName), QByteArray("4\r\n"));
}

void TestCountdown::endIsDecidedOnTheText()
{
    Race race;
    QVERIFY(race.start());
    race.runClock(300);
    QCOMPARE(race.state().ClockSeconds, 0.0f);
    // Fields at zero, but the label does not read 00:00:00.
    race.window().label("lblconto")->setCaption("00.00.00");
    race.fake.tick();
    QVERIFY(!race.fake.endStatus);
    QCOMPARE(race.fake.boxes.size(), 1);
}

QTEST_MAIN(TestCountdown)
#include "tst_countdown.moc"
