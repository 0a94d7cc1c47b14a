// SPDX-License-Identifier: GPL-3.0-or-later
#include "race.h"
#include "recordfiles.h"
#include "services.h"

#include <sys/stat.h>

using records::NameFileName;
using records::PointsFileName;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void nameAndGreeting_data();
    void nameAndGreeting();
    void firstRunCreatesEmptyFiles();
    void storedRecordIsShown_data();
    void storedRecordIsShown();
    void clockAndTimerAfterLoad();
    void minimizingChangesTheCaptionForGood();
    void unwritableRecordFolderEndsWithReport();
    void recordThatIsNoFileIsRefused_data();
    void recordThatIsNoFileIsRefused();
};

void TestStartup::nameAndGreeting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("greeting");
    QTest::newRow("name") << "Anna"
                          << " Anna vediamo se sei un vero campione  ";
    QTest::newRow("empty or cancelled") << ""
                                        << "  vediamo se sei un vero campione  ";
    QTest::newRow("accented") << "Niccolò"
                              << " Niccolò vediamo se sei un vero campione  ";
}

void TestStartup::nameAndGreeting()
{
    QFETCH(QString, name);
    QFETCH(QString, greeting);
    Race race(name);
    QVERIFY(race.start());
    QCOMPARE(race.fake.inputPrompts, QStringList{"Come ti chiami?"});
    QCOMPARE(race.fake.boxTexts(), QStringList{greeting});
    QCOMPARE(race.fake.calls.mid(0, 2), QStringList({"inputBox", "messageBox"}));
    QCOMPARE(race.state().PlayerName, name);
    QCOMPARE(race.caption("lblnome1"), name);
    QCOMPARE(race.window().windowTitle(), QString("Dimmi il dorvo per arrivare a dieci"));
    QVERIFY(race.window().isMaximized());
}

void TestStartup::firstRunCreatesEmptyFiles()
{
    Race race;
    QVERIFY(race.start());
    QCOMPARE(race.recordFile(PointsFileName), QByteArray());
    QCOMPARE(race.recordFile(NameFileName), QByteArray());
    QCOMPARE(race.caption("lblpunti"), QString());
    QCOMPARE(race.caption("lblnome"), QString());
    QCOMPARE(race.state().WinDir, race.fake.data + '/');
    // Both sounds are ready before the first answer.
    QCOMPARE(race.fake.loadedSounds.size(), 2);
}

void TestStartup::storedRecordIsShown_data()
{
    QTest::addColumn<QByteArray>("points");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("nameCaption");
    QTest::newRow("saved pair") << QByteArray("12\r\n") << QByteArray("Anna\r\n") << "Anna\r\n";
    QTest::newRow("windows-1252 name")
        << QByteArray("3\r\n") << QByteArray("Niccol\xF2\r\n") << "Niccolò\r\n";
}

void TestStartup::storedRecordIsShown()
{
    QFETCH(QByteArray, points);
    QFETCH(QByteArray, name);
    QFETCH(QString, nameCaption);
    Race race;
    race.putRecordFile(PointsFileName, points);
    race.putRecordFile(NameFileName, name);
    QVERIFY(race.start());
    QCOMPARE(race.caption("lblpunti"), QString::fromLatin1(points));
    QCOMPARE(race.caption("lblnome"), nameCaption);
    QCOMPARE(race.recordFile(PointsFileName), points); // left untouched
    QCOMPARE(race.recordFile(NameFileName), name);
}

void TestStartup::clockAndTimerAfterLoad()
{
    Race race;
    QVERIFY(race.start());
    QCOMPARE(race.caption("lblconto"), QString("00:05:00"));
    QVERIFY(race.tavola().timer1().isEnabled());
    QCOMPARE(race.state().ClockMinutes, 5);
}

void TestStartup::minimizingChangesTheCaptionForGood()
{
    Race race;
    QVERIFY(race.start());
    race.window().showMinimized();
    QTRY_COMPARE(race.window().windowTitle(), QString("Trova il successivo"));
    race.window().showNormal();
    race.window().showMaximized();
    QTest::qWait(20);
    QCOMPARE(race.window().windowTitle(), QString("Trova il successivo"));
}

void TestStartup::unwritableRecordFolderEndsWithReport()
{
    Race race;
    race.putRecordFile(PointsFileName, "1\r\n");
    // A folder where the points file should be: it cannot be opened for writing.
    QFile::remove(race.recordPath(PointsFileName));
    QDir().mkpath(race.recordPath(PointsFileName));
    QVERIFY(race.start());
    QCOMPARE(race.fake.endStatus, std::optional(1));
    QCOMPARE(race.fake.boxes.last().style, platform::BoxStyle::Critical);
    QVERIFY(race.fake.boxes.last().prompt.contains(PointsFileName));
    QVERIFY(!race.window().isVisible());
}

void TestStartup::recordThatIsNoFileIsRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO as points file") << QString(PointsFileName) << "fifo";
    QTest::newRow("FIFO as name file") << QString(NameFileName) << "fifo";
    QTest::newRow("link to a FIFO") << QString(NameFileName) << "link to fifo";
    QTest::newRow("link to a device") << QString(PointsFileName) << "link to device";
    QTest::newRow("dangling link") << QString(PointsFileName) << "dangling link";
    QTest::newRow("FIFO as save marker") << QString("zorlak.salvataggio") << "fifo";
}

void TestStartup::recordThatIsNoFileIsRefused()
{
    QFETCH(QString, file);
    QFETCH(QString, kind);
    Race race;
    QDir().mkpath(race.fake.data);
    const QString path = race.fake.data + '/' + file;
    const QString fifo = kind == "fifo" ? path : race.tmp.path() + "/fifo";
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString outside = race.tmp.path() + "/outside.txt";
    if (kind != "fifo")
        QVERIFY(QFile::link(kind == "link to fifo"     ? fifo
                            : kind == "link to device" ? QString("/dev/null")
                                                       : outside,
                            path));
    QVERIFY(race.start()); // returns: nothing blocks
    QCOMPARE(race.fake.endStatus, std::optional(1));
    QCOMPARE(race.fake.boxes.last().style, platform::BoxStyle::Critical);
    QVERIFY2(race.fake.boxes.last().prompt.contains(path),
             qPrintable(race.fake.boxes.last().prompt));
    QVERIFY(!QFileInfo::exists(outside));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
