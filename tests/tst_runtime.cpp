// SPDX-License-Identifier: GPL-3.0-or-later
#include "boundary.h"
#include "fakeservices.h"
#include "numbers.h"
#include "preciseticker.h"
#include "random.h"
#include "runtimeerror.h"
#include "testhelpers.h"

#include <QTest>

#include <limits>

using namespace platform;

Q_DECLARE_METATYPE(std::optional<double>)

class TestRuntime : public QObject {
    Q_OBJECT
private slots:
    void format_data();
    void format();
    void conversions_data();
    void conversions();
    void numbersTooLarge_data();
    void numbersTooLarge();
    void rounding_data();
    void rounding();
    void arithmetic16();
    void errorReport();
    void randomRangeAndReseed();
    void tickerDropsMissedTicks_data();
    void tickerDropsMissedTicks();
    void boundaryReportsAndEnds();
    void boundaryIgnoresNoticesAfterEnd();
};

void TestRuntime::format_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QList<QString>>("expected"); // for 0, 5, 12, 123, 12345
    QTest::newRow("00") << "00" << QList<QString>{"00", "05", "12", "123", "12345"};
    QTest::newRow("#0") << "#0" << QList<QString>{"0", "5", "12", "123", "12345"};
    QTest::newRow("###0") << "###0" << QList<QString>{"0", "5", "12", "123", "12345"};
    QTest::newRow("####0") << "####0" << QList<QString>{"0", "5", "12", "123", "12345"};
}

void TestRuntime::format()
{
    QFETCH(QString, pattern);
    QFETCH(QList<QString>, expected);
    const double values[] = {0, 5, 12, 123, 12345};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(formatNumber(values[i], pattern), expected[i]);
    QCOMPARE(formatNumber(-5, pattern), pattern == u"00" ? QString("-05") : QString("-5"));
}

void TestRuntime::conversions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("lenient");
    QTest::addColumn<std::optional<double>>("strict"); // nullopt: type mismatch
    const std::optional<double> mismatch;
    QTest::newRow("empty") << "" << 0.0 << mismatch;
    QTest::newRow("line end") << "12\r\n" << 12.0 << mismatch;
    QTest::newRow("leading zeros") << "007" << 7.0 << std::optional(7.0);
    QTest::newRow("trailing letters") << "7abc" << 7.0 << mismatch;
    QTest::newRow("letters") << "abc" << 0.0 << mismatch;
    QTest::newRow("leading space") << " 7" << 7.0 << std::optional(7.0);
    QTest::newRow("decimal") << "3.5" << 3.5 << std::optional(3.5);
    QTest::newRow("long digits") << "123456789012345678901234567890" << 1.2345678901234568e29
                                 << std::optional(1.2345678901234568e29);
    QTest::newRow("sign") << "-4x" << -4.0 << mismatch;
    QTest::newRow("dangling exponent") << "5e" << 5.0 << mismatch;
}

void TestRuntime::numbersTooLarge_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("orInfinity"); // leadingNumber gives 0 for all of them
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("too large") << "1e400" << inf;
    QTest::newRow("too large, negative") << "-1e400\r\n" << -inf;
    QTest::newRow("four hundred digits") << QString(400, u'9') << inf;
    QTest::newRow("too small") << "0.0001e-400" << 0.0;
}

void TestRuntime::numbersTooLarge()
{
    QFETCH(QString, text);
    QFETCH(double, orInfinity);
    QCOMPARE(leadingNumber(text), 0.0);
    QCOMPARE(leadingNumberOrInfinity(text), orInfinity);
}

void TestRuntime::conversions()
{
    QFETCH(QString, text);
    QFETCH(double, lenient);
    QFETCH(std::optional<double>, strict);
    QCOMPARE(leadingNumber(text), lenient);
    if (strict) {
        QCOMPARE(strictNumber(text), *strict);
    } else {
        QCOMPARE(runTimeErrorOf([&] { strictNumber(text); }), errors::TypeMismatch);
    }
}

void TestRuntime::rounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected"); // INT_MIN: overflow
    constexpr int overflow = std::numeric_limits<int>::min();
    QTest::newRow("2.5 to even") << 2.5 << 2;
    QTest::newRow("3.5 to even") << 3.5 << 4;
    QTest::newRow("-2.5 to even") << -2.5 << -2;
    QTest::newRow("2.6") << 2.6 << 3;
    QTest::newRow("top") << 32767.4 << 32767;
    QTest::newRow("past top") << 32767.5 << overflow;
    QTest::newRow("bottom half to even") << -32768.5 << -32768;
    QTest::newRow("huge") << 1e10 << overflow;
}

void TestRuntime::rounding()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    if (expected == std::numeric_limits<int>::min())
        QCOMPARE(runTimeErrorOf([&] { toInt16(value); }), errors::Overflow);
    else
        QCOMPARE(int(toInt16(value)), expected);
}

void TestRuntime::arithmetic16()
{
    QCOMPARE(int(add16(100, 200)), 300);
    QCOMPARE(int(sub16(-32767, 1)), -32768);
    QCOMPARE(runTimeErrorOf([] { add16(32767, 1); }), errors::Overflow);
    QCOMPARE(runTimeErrorOf([] { sub16(-32768, 1); }), errors::Overflow);
    QCOMPARE(runTimeErrorOf([] { mul16(200, 200); }), errors::Overflow);
}

void TestRuntime::errorReport()
{
    const RunTimeError error(75, "Errore di accesso al percorso/file", "/x/zorlak10.txt: negato");
    QCOMPARE(error.report(), QString("Errore di run-time '75':\n\nErrore di accesso al "
                                     "percorso/file\n/x/zorlak10.txt: negato"));
    QCOMPARE(runTimeErrorOf([] { raiseOverflow(); }), 6);
}

void TestRuntime::randomRangeAndReseed()
{
    Random a, b;
    QCOMPARE(a.next(), b.next()); // same starting state
    for (int i = 0; i < 10000; ++i) {
        const double r = a.next();
        QVERIFY(r >= 0.0 && r < 1.0);
    }
    // Two reseeds within one clock reading still give fresh numbers.
    a.reseed(1000);
    const double first = a.next();
    a.reseed(1000);
    QVERIFY(a.next() != first);
}

void TestRuntime::boundaryReportsAndEnds()
{
    FakeServices fake;
    NoticeBoundary boundary(fake, "dieci");
    bool ran = false;
    boundary.deliver([&] { ran = true; });
    QVERIFY(ran);
    QVERIFY(!fake.endStatus);

    boundary.deliver([] { raiseFileAccess("/x/f.txt", "negato"); });
    QCOMPARE(fake.boxes.size(), 1);
    QCOMPARE(fake.boxes[0].style, BoxStyle::Critical);
    QCOMPARE(fake.boxes[0].title, QString("dieci"));
    QVERIFY(fake.boxes[0].prompt.startsWith("Errore di run-time '75':"));
    QVERIFY(fake.boxes[0].prompt.contains("/x/f.txt: negato"));
    QCOMPARE(fake.endStatus, std::optional(1));
    QVERIFY(boundary.ended());
}

void TestRuntime::boundaryIgnoresNoticesAfterEnd()
{
    FakeServices fake;
    NoticeBoundary boundary(fake, "dieci");
    // A notice arriving while the error report is open is dropped.
    int later = 0;
    fake.insideNextBox = [&] { boundary.deliver([&] { ++later; }); };
    boundary.deliver([] { raiseOverflow(); });
    boundary.deliver([&] { ++later; });
    QCOMPARE(later, 0);
    QCOMPARE(fake.calls.count("end"), 1);

    FakeServices fake2;
    NoticeBoundary normalEnd(fake2, "dieci");
    normalEnd.deliver([&] { fake2.end(0); });
    QCOMPARE(fake2.endStatus, std::optional(0));
    QVERIFY(fake2.boxes.isEmpty());
    QVERIFY(normalEnd.ended());
}

void TestRuntime::tickerDropsMissedTicks_data()
{
    QTest::addColumn<qint64>("fired");   // number of the tick that went off
    QTest::addColumn<qint64>("elapsed"); // when it went off, ms from the start
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("delay");
    QTest::newRow("on time") << 1LL << 1000LL << 1LL << 1000LL;
    QTest::newRow("a little late: the schedule holds") << 2LL << 2040LL << 2LL << 960LL;
    QTest::newRow("a hair early") << 3LL << 2999LL << 3LL << 1001LL;
    QTest::newRow("stalled 10 s: one tick, then on schedule") << 3LL << 13250LL << 13LL << 750LL;
    QTest::newRow("late by exactly one interval") << 4LL << 5000LL << 5LL << 1000LL;
}

void TestRuntime::tickerDropsMissedTicks()
{
    QFETCH(qint64, fired);
    QFETCH(qint64, elapsed);
    QFETCH(qint64, count);
    QFETCH(qint64, delay);
    const platform::TickSchedule next = platform::scheduleAfter(fired, 1000, elapsed);
    QCOMPARE(next.count, count);
    QCOMPARE(next.delayMs, delay);
}

QTEST_GUILESS_MAIN(TestRuntime)
#include "tst_runtime.moc"
