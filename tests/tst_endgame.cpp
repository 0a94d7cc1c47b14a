// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbers.h"
#include "race.h"
#include "recordfiles.h"
#include "services.h"

#include <QProcess>
#include <QRandomGenerator>

#include <csignal>

using records::NameFileName;
using records::PointsFileName;

namespace {
const QString Praise = "Ok! Ho registrato il tuo record, C A M P I O N E";
const QString Goodbye = "Ciao, alla prossima sfida. ";

// The boxes shown after the greeting.
QStringList laterBoxes(const Race &race)
{
    return race.fake.boxTexts().mid(1);
}
} // namespace

class TestEndGame : public QObject {
    Q_OBJECT
private slots:
    void exitComparesAndSaves_data();
    void exitComparesAndSaves();
    void clockEndSaysGoodbyeFirst();
    void failedSaveKeepsOldPairAndReports();
    void higherRecordSavedMeanwhileIsKept();
    void killedSaveLeavesOldOrNewPair();
    void startUpWaitsForASaveInProgress_data();
    void startUpWaitsForASaveInProgress();
};

void TestEndGame::exitComparesAndSaves_data()
{
    QTest::addColumn<QByteArray>("points");
    QTest::addColumn<QString>("score");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("nameBytes"); // empty: nothing saved
    QTest::newRow("first run, score 0") << QByteArray() << "0"
                                        << "Anna" << QByteArray();
    QTest::newRow("first run, score 1") << QByteArray() << "1"
                                        << "Anna" << QByteArray("Anna\r\n");
    QTest::newRow("equal to record") << QByteArray("12\r\n") << "12"
                                     << "Anna" << QByteArray();
    QTest::newRow("beats record") << QByteArray("12\r\n") << "13"
                                  << "Anna" << QByteArray("Anna\r\n");
    QTest::newRow("empty name") << QByteArray() << "1"
                                << "" << QByteArray("\r\n");
    QTest::newRow("accented name") << QByteArray() << "2"
                                   << "Mosè" << QByteArray("Mos\xE8\r\n");
    // Shown on screen as huge, so compared as huge: no score replaces it.
    QTest::newRow("record too large for a number") << QByteArray("1e400\r\n") << "30"
                                                   << "Anna" << QByteArray();
    QTest::newRow("a file of nines") << QByteArray(1 << 20, '9') << "30"
                                     << "Anna" << QByteArray();
    QTest::newRow("a record too small to hold") << QByteArray("1e-400\r\n") << "1"
                                                << "Anna" << QByteArray("Anna\r\n");
}

void TestEndGame::exitComparesAndSaves()
{
    QFETCH(QByteArray, points);
    QFETCH(QString, score);
    QFETCH(QString, name);
    QFETCH(QByteArray, nameBytes);
    Race race(name);
    race.putRecordFile(PointsFileName, points);
    race.putRecordFile(NameFileName, "Bea\r\n");
    QVERIFY(race.start());
    race.window().label("lblScore")->setCaption(score);
    race.window().cmdExit()->click();

    QCOMPARE(race.fake.endStatus, std::optional(0));
    const bool saved = !nameBytes.isEmpty();
    QCOMPARE(laterBoxes(race), saved ? QStringList{Praise} : QStringList{});
    QCOMPARE(race.recordFile(PointsFileName), saved ? score.toLatin1() + "\r\n" : points);
    QCOMPARE(race.recordFile(NameFileName), saved ? nameBytes : QByteArray("Bea\r\n"));
    // Nothing runs after the end.
    race.fake.tick();
    race.window().cmdExit()->click();
    QCOMPARE(race.fake.calls.count("end"), 1);
}

void TestEndGame::clockEndSaysGoodbyeFirst()
{
    for (const QString score : {"0", "3"}) {
        Race race;
        QVERIFY(race.start());
        race.window().label("lblScore")->setCaption(score);
        race.runClock(301);
        const QStringList expected =
            score == "0" ? QStringList{Goodbye} : QStringList{Goodbye, Praise};
        QCOMPARE(laterBoxes(race), expected);
        QCOMPARE(race.fake.endStatus, std::optional(0));
    }
}

void TestEndGame::failedSaveKeepsOldPairAndReports()
{
    Race race;
    race.putRecordFile(PointsFileName, "2\r\n");
    race.putRecordFile(NameFileName, "Bea\r\n");
    QVERIFY(race.start());
    // The name file cannot be replaced: a folder has taken its place.
    QFile::rename(race.recordPath(NameFileName), race.tmp.path() + "/parked");
    QDir().mkdir(race.recordPath(NameFileName));
    race.window().label("lblScore")->setCaption("5");
    race.window().cmdExit()->click();

    QCOMPARE(race.fake.endStatus, std::optional(1));
    QCOMPARE(race.fake.boxes.last().style, platform::BoxStyle::Critical);
    QVERIFY(!race.fake.boxTexts().contains(Praise));
    QCOMPARE(race.recordFile(PointsFileName), QByteArray("2\r\n"));
}

void TestEndGame::higherRecordSavedMeanwhileIsKept()
{
    Race race;
    race.putRecordFile(PointsFileName, "12\r\n");
    race.putRecordFile(NameFileName, "Bea\r\n");
    QVERIFY(race.start());
    // Another copy of the program saved 20 while this race was on.
    race.putRecordFile(PointsFileName, "20\r\n");
    race.putRecordFile(NameFileName, "Ciro\r\n");
    race.window().label("lblScore")->setCaption("15");
    race.window().cmdExit()->click();
    QCOMPARE(race.fake.endStatus, std::optional(0));
    QCOMPARE(laterBoxes(race), QStringList{});
    QCOMPARE(race.recordFile(PointsFileName), QByteArray("20\r\n"));
    QCOMPARE(race.recordFile(NameFileName), QByteArray("Ciro\r\n"));
}

namespace {
// Reads the process's output until a line starting with prefix arrives; the
// whole output so far, or an empty array when the process ended without it.
QByteArray readUntilLine(QProcess &process, QByteArray &output, const QByteArray &prefix)
{
    for (;;) {
        output += process.readAllStandardOutput();
        for (const QByteArray &line : output.split('\n'))
            if (line.startsWith(prefix))
                return output;
        if (!process.waitForReadyRead(30'000))
            return {};
    }
}

int lastSaved(const QByteArray &output)
{
    int last = 0;
    for (const QByteArray &line : output.split('\n'))
        if (line.startsWith("saved "))
            last = line.mid(6).toInt();
    return last;
}
} // namespace

void TestEndGame::killedSaveLeavesOldOrNewPair()
{
    QTemporaryDir tmp;
    const QString dir = tmp.path() + '/';
    records::saveRecord(dir, "0", "Giocatore 0");
    auto *random = QRandomGenerator::global();
    for (int run = 0; run < 60; ++run) {
        QProcess saver;
        saver.start(QStringLiteral(RECORDSAVER_PATH), {"loop", dir});
        QByteArray output;
        QVERIFY(!readUntilLine(saver, output, "saved ").isEmpty());
        // Anywhere in the saves that follow: the point of the kill varies.
        QTest::qSleep(int(random->bounded(4)));
        ::kill(pid_t(saver.processId()), SIGKILL);
        saver.waitForFinished();
        output += saver.readAllStandardOutput();

        const records::StoredRecord stored = records::openRecord(dir);
        QVERIFY2(stored.points.endsWith("\r\n"), qPrintable(stored.points));
        QCOMPARE(stored.name, "Giocatore " + stored.points);
        // A save reported done is never lost.
        const int points = int(platform::leadingNumber(stored.points));
        QVERIFY2(points >= lastSaved(output), output.right(200).constData());
    }
}

void TestEndGame::startUpWaitsForASaveInProgress_data()
{
    QTest::addColumn<QString>("pauseAt");
    QTest::newRow("new files written, no marker yet") << "new-files-written";
    QTest::newRow("marker written") << "marker-written";
    QTest::newRow("points file replaced, name not yet") << "points-renamed";
}

void TestEndGame::startUpWaitsForASaveInProgress()
{
    QFETCH(QString, pauseAt);
    QTemporaryDir tmp;
    const QString dir = tmp.path() + '/';
    records::saveRecord(dir, "3", "Bea");
    QProcess saver;
    saver.start(QStringLiteral(RECORDSAVER_PATH), {"save", dir, "9", "Ciro", pauseAt});
    QByteArray saverOut;
    QVERIFY(!readUntilLine(saver, saverOut, pauseAt.toLatin1()).isEmpty());

    // A second copy starts while the first is stopped in the middle of its save.
    QProcess starter;
    starter.start(QStringLiteral(RECORDSAVER_PATH), {"open", dir});
    QByteArray starterOut;
    QVERIFY2(!readUntilLine(starter, starterOut, "lock-busy").isEmpty(), starterOut.constData());

    saver.write("\n");
    saver.closeWriteChannel();
    QVERIFY(saver.waitForFinished(30'000));
    saverOut += saver.readAllStandardOutput();
    QCOMPARE(saver.exitCode(), 0);
    QVERIFY2(saverOut.endsWith("\nsaved\n"), saverOut.constData());
    QVERIFY(!readUntilLine(starter, starterOut, "read ").isEmpty());
    QVERIFY(starter.waitForFinished(30'000));
    QVERIFY2(starterOut.contains("read 9\\r\\n|Ciro\\r\\n"), starterOut.constData());
    QCOMPARE(records::Leggifiletxt(records::pointsPath(dir)), "9\r\n");
    QCOMPARE(records::Leggifiletxt(records::namePath(dir)), "Ciro\r\n");
}

QTEST_MAIN(TestEndGame)
#include "tst_endgame.moc"
