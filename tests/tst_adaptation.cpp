// SPDX-License-Identifier: GPL-3.0-or-later
// A race set by the teacher for one child: its clock, practice on the facts
// she does not know yet, and a record that only the race of everyone can touch.
#include "classdata.h"
#include "practice.h"
#include "race.h"
#include "random.h"
#include "recorder.h"
#include "register.h"

#include <QProcess>

namespace {
const QString Standard = QStringLiteral("standard");

// A register in the race's folder; her settings, unless standard.
void setUp(Race &race, const QString &name, registro::Adaptation settings)
{
    const QString path = registro::registerPath(race.fake.data + u'/');
    QVERIFY(registro::Register::create(path).isOpen());
    QCOMPARE(
        registro::Register::open(path, registro::Access::ReadWrite).setAdaptation(name, settings),
        QString());
}

// Answers that make every fact but these known by heart.
void knowsAllBut(const QString &path, const QString &name, const QList<int> &toLearn)
{
    registro::RaceRecorder race(path, QDateTime(QDate(2026, 12, 1), QTime(9, 0)), name);
    for (int n = 1; n <= 9; ++n)
        for (int i = 0; i < 6; ++i)
            race.answer(QDateTime(QDate(2026, 12, 1), QTime(9, 1)), n, "0", !toLearn.contains(n),
                        900);
    race.end(registro::Ending::Clock, false);
}
} // namespace

class TestAdaptation : public QObject {
    Q_OBJECT
private slots:
    void clockFromTheLength_data();
    void clockFromTheLength();
    void raceSetForHerLeavesTheRecord_data();
    void raceSetForHerLeavesTheRecord();
    void practiceDraw_data();
    void practiceDraw();
    void practiceInTheDrill();
    void adattaRefusesBadValues_data();
    void adattaRefusesBadValues();
};

void TestAdaptation::clockFromTheLength_data()
{
    QTest::addColumn<int>("minutes"); // -1: no settings at all
    QTest::addColumn<QString>("atStart");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("ended");
    QTest::newRow("no settings: the race of everyone")
        << -1 << "00:05:00" << 300 << "00:00:00" << false;
    QTest::newRow("two minutes") << 2 << "00:02:00" << 121 << "00:00:00" << true;
    QTest::newRow("twenty minutes") << 20 << "00:20:00" << 61 << "00:18:59" << false;
    QTest::newRow("no clock: it counts up, never ends")
        << 0 << "00:00:00" << 3661 << "01:01:01" << false;
}

void TestAdaptation::clockFromTheLength()
{
    QFETCH(int, minutes);
    QFETCH(QString, atStart);
    QFETCH(int, ticks);
    QFETCH(QString, after);
    QFETCH(bool, ended);
    Race race("Ugo");
    if (minutes >= 0)
        setUp(race, "ugo", {minutes, false});
    QVERIFY(race.start());
    QCOMPARE(race.caption("lblconto"), atStart);
    race.runClock(ticks);
    QCOMPARE(race.fake.endStatus.has_value(), ended);
    if (!ended)
        QCOMPARE(race.caption("lblconto"), after);
}

void TestAdaptation::raceSetForHerLeavesTheRecord_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<bool>("practice");
    QTest::addColumn<bool>("byClock");
    QTest::addColumn<QStringList>("boxes"); // after the greeting
    const QString sentence = "Questa gara era su misura per te, Ugo: non vale per il record.";
    QTest::newRow("one minute, to the clock")
        << 1 << false << true << QStringList{sentence, "Ciao, alla prossima sfida. "};
    QTest::newRow("practice, Exit") << 5 << true << false << QStringList{sentence};
    QTest::newRow("no clock, Exit") << 0 << false << false << QStringList{sentence};
}

void TestAdaptation::raceSetForHerLeavesTheRecord()
{
    QFETCH(int, minutes);
    QFETCH(bool, practice);
    QFETCH(bool, byClock);
    QFETCH(QStringList, boxes);
    Race race("Ugo");
    setUp(race, "Ugo", {minutes, practice});
    race.putRecordFile("zorlak10.txt", "3\r\n");
    race.putRecordFile("zorlak100.txt", "Bea\r\n");
    QVERIFY(race.start());
    race.window().label("lblScore")->setCaption("40"); // would beat the record
    if (byClock)
        race.runClock(61);
    else
        race.window().cmdExit()->click();
    QCOMPARE(race.fake.endStatus, std::optional(0));
    QCOMPARE(race.fake.boxTexts().mid(1), boxes);
    QCOMPARE(race.recordFile("zorlak10.txt"), QByteArray("3\r\n"));
    QCOMPARE(race.recordFile("zorlak100.txt"), QByteArray("Bea\r\n"));
    QStringList problems;
    const QList<registro::Child> children =
        registro::loadClass({registro::registerPath(race.fake.data + u'/')}, &problems);
    QCOMPARE(children.size(), 1);
    QVERIFY(!children[0].races[0].adaptation.isEmpty()); // marked in the teacher's list
}

void TestAdaptation::practiceDraw_data()
{
    QTest::addColumn<QList<int>>("toLearn");
    QTest::addColumn<quint64>("seed");
    for (quint64 seed : {1, 7, 42}) {
        QTest::addRow("one fact, seed %llu", seed) << QList<int>{7} << seed;
        QTest::addRow("three facts, seed %llu", seed) << QList<int>{2, 5, 9} << seed;
        QTest::addRow("eight facts, seed %llu", seed) << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << seed;
    }
}

void TestAdaptation::practiceDraw()
{
    QFETCH(QList<int>, toLearn);
    QFETCH(quint64, seed);
    QList<drill::FactWeight> weights;
    for (int n : toLearn)
        weights.append({n, 0.25 + n / 10.0});
    drill::Practice practice(weights);
    platform::Random random;
    random.reseed(seed);
    int learnt = 0, last = 0;
    QList<int> seen(10, 0);
    for (int asked = 1; asked <= 300; ++asked) {
        const int n = practice.next(random.next());
        QVERIFY(n >= 1 && n <= 9);
        QVERIFY2(n != last, qPrintable(QString("%1 twice in a row at %2").arg(n).arg(asked)));
        last = n;
        ++seen[n];
        learnt += toLearn.contains(n) ? 1 : 0;
        QVERIFY2(learnt >= asked / 2,
                 qPrintable(QString("%1 of the first %2").arg(learnt).arg(asked)));
    }
    // The known facts are still asked, so they stay fresh.
    for (int n = 1; n <= 9; ++n)
        if (!toLearn.contains(n))
            QVERIFY2(seen[n] > 0, qPrintable(QString("%1 never asked").arg(n)));
    QVERIFY(!drill::Practice({}).active()); // nothing to learn: the ordinary race
}

void TestAdaptation::practiceInTheDrill()
{
    Race race("Ugo");
    const QString path = registro::registerPath(race.fake.data + u'/');
    setUp(race, "Ugo", {5, true});
    knowsAllBut(path, "Ugo", {3, 6, 8});
    QVERIFY(race.start());
    int learnt = 0;
    for (int asked = 0; asked < 30; ++asked) {
        const int n = race.caption("lblNum1").toInt();
        learnt += (n == 3 || n == 6 || n == 8) ? 1 : 0;
        race.answer(QString::number(10 - n));
        race.next();
    }
    QVERIFY2(learnt >= 15, qPrintable(QString("%1 of 30").arg(learnt)));
    QCOMPARE(race.caption("lblScore"), QString("30"));
}

void TestAdaptation::adattaRefusesBadValues_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("two minutes") << QStringList{"--adatta", "Ugo", "--durata", "2"} << 0 << "";
    QTest::newRow("practice, 'sì'")
        << QStringList{"--adatta", "Ugo", "--allenamento", "sì"} << 0 << "";
    QTest::newRow("no clock, practice, 'si'")
        << QStringList{"--adatta", "Ugo", "--durata", "0", "--allenamento", "si"} << 0 << "";
    QTest::newRow("21 minutes") << QStringList{"--adatta", "Ugo", "--durata", "21"} << 1
                                << "--durata 21: i minuti vanno da 0";
    QTest::newRow("a word for minutes")
        << QStringList{"--adatta", "Ugo", "--durata", "due"} << 1 << "--durata due";
    QTest::newRow("negative") << QStringList{"--adatta", "Ugo", "--durata", "-1"} << 1
                              << "--durata -1";
    QTest::newRow("neither yes nor no") << QStringList{"--adatta", "Ugo", "--allenamento", "forse"}
                                        << 1 << "--allenamento forse: si scrive sì o no";
    QTest::newRow("nothing to set") << QStringList{"--adatta", "Ugo"} << 1 << "manca --durata";
    QTest::newRow("voice and contrast")
        << QStringList{"--adatta", "Ugo", "--voce", "sì", "--contrasto", "si"} << 0 << "";
    QTest::newRow("contrast neither yes nor no")
        << QStringList{"--adatta", "Ugo", "--contrasto", "forte"} << 1
        << "--contrasto forte: si scrive sì o no";
}

void TestAdaptation::adattaRefusesBadValues()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, says);
    QTemporaryDir home;
    const QString path = registro::registerPath(home.path() + "/dieci/");
    QVERIFY(registro::Register::create(path).isOpen());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home.path());
    p.setProcessEnvironment(env);
    p.start(DIECI_REGISTRO, args);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), status);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(err.count('\n'), status ? 1 : 0);
    QVERIFY2(err.contains(says), qPrintable(err));
    const registro::Adaptation set =
        registro::Register::open(path, registro::Access::ReadOnly).adaptation("ugo");
    QCOMPARE(set.custom(), status == 0); // nothing changed on a refusal
}

QTEST_MAIN(TestAdaptation)
#include "tst_adaptation.moc"
