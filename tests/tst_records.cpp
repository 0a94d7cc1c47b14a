// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeservices.h"
#include "recordfiles.h"
#include "recordlock.h"
#include "recordstore.h"
#include "runtimeerror.h"
#include "testhelpers.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>

using namespace records;

namespace {
void put(const QString &path, const QByteArray &bytes)
{
    QVERIFY(putFile(path, bytes));
}
} // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void init();
    void encoding_data();
    void encoding();
    void creationLeavesExistingFilesAlone();
    void saveWritesOneLineEach_data();
    void saveWritesOneLineEach();
    void failedSaveKeepsOldPair_data();
    void failedSaveKeepsOldPair();
    void failedWriteKeepsOldPair();
    void interruptedSaveIsCompletedOrDiscarded();
    void systemDirHasOneTrailingSeparator();
    void hugeFileIsReadInPart();
    void recordIsNeverLowered();
    void leftoverLockNeverBlocks_data();
    void leftoverLockNeverBlocks();
    void symlinkToAFileIsWrittenThrough();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_dir, m_points, m_name;
};

void TestRecords::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    m_dir = m_tmp->path() + '/';
    m_points = m_dir + PointsFileName;
    m_name = m_dir + NameFileName;
}

void TestRecords::encoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("roundTrips");
    QTest::newRow("accents") << "Niccolò è qui" << QByteArray("Niccol\xF2 \xE8 qui") << true;
    QTest::newRow("euro") << "€" << QByteArray("\x80") << true;
    QTest::newRow("curly quote") << "l’anno"
                                 << QByteArray("l\x92"
                                               "anno")
                                 << true;
    QTest::newRow("emoji") << "A😀" << QByteArray("A?") << false;
    QTest::newRow("cyrillic") << "Ж" << QByteArray("?") << false;
}

void TestRecords::encoding()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, roundTrips);
    QCOMPARE(encodeWindows1252(text), bytes);
    if (roundTrips)
        QCOMPARE(decodeWindows1252(bytes), text);
}

void TestRecords::creationLeavesExistingFilesAlone()
{
    ensureFileExists(m_points);
    QCOMPARE(fileBytes(m_points), QByteArray());
    QCOMPARE(Leggifiletxt(m_points), QString());

    const QByteArray old("12\r\nsecond line\r\n\xE8");
    put(m_name, old);
    ensureFileExists(m_name);
    QCOMPARE(fileBytes(m_name), old);
    QCOMPARE(Leggifiletxt(m_name), QString("12\r\nsecond line\r\nè"));
}

void TestRecords::saveWritesOneLineEach_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("nameBytes");
    QTest::newRow("plain") << "Anna" << QByteArray("Anna\r\n");
    QTest::newRow("accented") << "Niccolò" << QByteArray("Niccol\xF2\r\n");
    QTest::newRow("empty") << "" << QByteArray("\r\n");
    QTest::newRow("line breaks") << "Anna\r\nBea\tC" << QByteArray("Anna  Bea C\r\n");
}

void TestRecords::saveWritesOneLineEach()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, nameBytes);
    put(m_points, "3\r\nold\r\n");
    put(m_name, "Old\r\nHolder\r\n");
    saveRecord(m_dir, "12", name);
    QCOMPARE(fileBytes(m_points), QByteArray("12\r\n"));
    QCOMPARE(fileBytes(m_name), nameBytes);
    QCOMPARE(Leggifiletxt(m_points), QString("12\r\n"));
    // Nothing is left behind beside the two files.
    QCOMPARE(QDir(m_dir).entryList(QDir::Files).size(), 2);
}

void TestRecords::failedSaveKeepsOldPair_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::newRow("directory in place of the name file") << QString(NameFileName);
    QTest::newRow("directory in place of the points file") << QString(PointsFileName);
    QTest::newRow("name file cannot be written") << QString(NameFileName) + ".nuovo";
}

void TestRecords::failedSaveKeepsOldPair()
{
    QFETCH(QString, blocked);
    put(m_points, "7\r\n");
    put(m_name, "Bea\r\n");
    QFile::remove(m_dir + blocked);
    QVERIFY(QDir(m_dir).mkdir(blocked));
    QCOMPARE(runTimeErrorOf([&] { saveRecord(m_dir, "12", "Anna"); }),
             platform::errors::PathFileAccess);
    if (blocked != NameFileName)
        QCOMPARE(fileBytes(m_name), QByteArray("Bea\r\n"));
    if (blocked != PointsFileName)
        QCOMPARE(fileBytes(m_points), QByteArray("7\r\n"));
}

void TestRecords::failedWriteKeepsOldPair()
{
    // A full disk, as far as this process can tell: writes past 2 bytes fail.
    put(m_points, "7\r\n");
    put(m_name, "Bea\r\n");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny = old;
    tiny.rlim_cur = 2;
    setrlimit(RLIMIT_FSIZE, &tiny);
    const int error = runTimeErrorOf([&] { saveRecord(m_dir, "12", "Anna"); });
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(error, platform::errors::PathFileAccess);
    QCOMPARE(fileBytes(m_points), QByteArray("7\r\n"));
    QCOMPARE(fileBytes(m_name), QByteArray("Bea\r\n"));
}

void TestRecords::interruptedSaveIsCompletedOrDiscarded()
{
    // Both new files complete and marked: the save is finished.
    put(m_points, "7\r\n");
    put(m_name, "Bea\r\n");
    put(m_points + ".nuovo", "9\r\n");
    put(m_name + ".nuovo", "Ciro\r\n");
    put(m_dir + "zorlak.salvataggio", "");
    finishInterruptedSave(m_dir);
    QCOMPARE(fileBytes(m_points), QByteArray("9\r\n"));
    QCOMPARE(fileBytes(m_name), QByteArray("Ciro\r\n"));
    QCOMPARE(QDir(m_dir).entryList(QDir::Files).size(), 2);

    // Not marked: the save never completed and the old pair stays.
    put(m_points + ".nuovo", "11\r\n");
    finishInterruptedSave(m_dir);
    QCOMPARE(fileBytes(m_points), QByteArray("9\r\n"));
    QCOMPARE(QDir(m_dir).entryList(QDir::Files).size(), 2);
}

void TestRecords::systemDirHasOneTrailingSeparator()
{
    FakeServices fake;
    for (const char *suffix : {"/sub", "/sub/", "/sub//"}) {
        fake.data = m_tmp->path() + suffix;
        const QString dir = GetSystemDir(fake);
        QCOMPARE(dir, m_tmp->path() + "/sub/");
        QVERIFY(QDir(dir).exists());
    }
    put(m_dir + "file", "x");
    fake.data = m_dir + "file/sub";
    QCOMPARE(runTimeErrorOf([&] { GetSystemDir(fake); }), platform::errors::PathFileAccess);
}

void TestRecords::hugeFileIsReadInPart()
{
    put(m_points, QByteArray(200 * 1024, '9'));
    QCOMPARE(Leggifiletxt(m_points).size(), 64 * 1024);
}

void TestRecords::recordIsNeverLowered()
{
    ensureFileExists(m_points);
    ensureFileExists(m_name);
    // Two programs started with an empty record; the better one saves first.
    QVERIFY(saveIfHigher(m_dir, 10, "10", "Anna", 0));
    QVERIFY(!saveIfHigher(m_dir, 5, "5", "Bea", 0));
    QCOMPARE(fileBytes(m_points), QByteArray("10\r\n"));
    QCOMPARE(fileBytes(m_name), QByteArray("Anna\r\n"));
    QVERIFY(!saveIfHigher(m_dir, 10, "10", "Ciro", 0)); // a tie is not a record
    QVERIFY(saveIfHigher(m_dir, 11, "11", "Ciro", 0));
    QCOMPARE(fileBytes(m_name), QByteArray("Ciro\r\n"));
}

void TestRecords::leftoverLockNeverBlocks_data()
{
    QTest::addColumn<QByteArray>("lockBytes"); // what a dead copy left behind
    QTest::addColumn<bool>("heldByLiveCopy");
    QTest::newRow("empty: killed as it created the lock") << QByteArray() << false;
    QTest::newRow("garbage") << QByteArray("\x01\x02 not a pid\n") << false;
    QTest::newRow("an old copy's process id") << QByteArray("999999999\ndieci\nhost\n") << false;
    QTest::newRow("held by a copy still running") << QByteArray() << true;
}

void TestRecords::leftoverLockNeverBlocks()
{
    QFETCH(QByteArray, lockBytes);
    QFETCH(bool, heldByLiveCopy);
    put(lockPath(m_dir), lockBytes);
    std::optional<RecordLock> live;
    if (heldByLiveCopy)
        live.emplace(m_dir);
    QString failure;
    try {
        const RecordLock lock(m_dir, 0); // no waiting at all
    } catch (const platform::RunTimeError &error) {
        failure = error.report();
    }
    QCOMPARE(failure.contains("il file dei record è bloccato"), heldByLiveCopy);
    QCOMPARE(failure.isEmpty(), !heldByLiveCopy);
    live.reset();
    QVERIFY(!QFileInfo::exists(lockPath(m_dir))); // gone with its last holder
}

void TestRecords::symlinkToAFileIsWrittenThrough()
{
    // A record kept elsewhere (shared with another account, say) stays shared.
    QTemporaryDir elsewhere;
    const QString target = elsewhere.path() + "/punti.txt";
    put(target, "4\r\n");
    QVERIFY(QFile::link(target, m_points));
    QCOMPARE(openRecord(m_dir).points, QString("4\r\n"));
    QVERIFY(saveIfHigher(m_dir, 8, "8", "Anna", 4));
    QVERIFY(QFileInfo(m_points).isSymLink());
    QCOMPARE(fileBytes(target), QByteArray("8\r\n"));
    QCOMPARE(fileBytes(m_name), QByteArray("Anna\r\n"));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
