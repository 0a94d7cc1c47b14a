// SPDX-License-Identifier: GPL-3.0-or-later
#include "race.h"
#include "recordfiles.h"
#include "register.h"
#include "schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <csignal>
#include <sys/resource.h>

namespace {
constexpr double Three = 0.35, Five = 0.55; // draws that show 3 and 5

QString registerOf(const Race &race)
{
    return registro::registerPath(race.fake.data + u'/');
}

// What one query of the register answers, fields joined by '|'.
QString ask(const QString &path, const QString &sql)
{
    QString why;
    const QString connection = registro::openConnection(path, registro::OpenMode::ReadOnly, &why);
    QString answer;
    {
        QSqlQuery query(QSqlDatabase::database(connection, false));
        if (query.exec(sql) && query.next())
            for (int i = 0; i < query.record().count(); ++i)
                answer += (i ? "|" : "") + query.value(i).toString();
    }
    registro::closeConnection(connection);
    return answer.isEmpty() ? why : answer;
}
} // namespace

class TestRegistro : public QObject {
    Q_OBJECT
private slots:
    void recordsAScriptedRaceAndExportsIt();
    void brokenRegisterLeavesTheRaceUntouched_data();
    void brokenRegisterLeavesTheRaceUntouched();
};

void TestRegistro::recordsAScriptedRaceAndExportsIt()
{
    Race race("Anna \"la;prima\"");
    QDir().mkpath(race.fake.data);
    QString error;
    QVERIFY2(registro::createRegister(registerOf(race), &error), qPrintable(error));
    race.fake.randoms = {0.0, Three, 0.0, Five};
    QVERIFY(race.start());
    race.fake.elapsed = 1500;
    race.answer("7"); // right
    race.next();
    race.fake.elapsed = 4000;
    race.answer("1");                 // wrong
    race.window().cmdExit()->click(); // 1 beats the empty record

    QCOMPARE(race.fake.endStatus, std::optional(0));
    QCOMPARE(ask(registerOf(race), "SELECT started, name, ended, right, wrong, total, "
                                   "record_beaten FROM races"),
             QString("2026-12-07T08:30:00.000|Anna \"la;prima\"|uscita|1|1|2|1"));
    const QString csv = race.tmp.path() + "/registro.csv";
    QVERIFY2(registro::exportCsv(registerOf(race), csv, &error), qPrintable(error));
    QCOMPARE(fileBytes(csv),
             QByteArray("\xEF\xBB\xBF"
                        "data;ora;nome;gara;numero;risposta;esatta;millisecondi\r\n"
                        "07/12/2026;08:30:01;\"Anna \"\"la;prima\"\"\";1;3;7;s\xC3\xAC;"
                        "1500\r\n"
                        "07/12/2026;08:30:04;\"Anna \"\"la;prima\"\"\";1;5;1;no;"
                        "2500\r\n"));
}

void TestRegistro::brokenRegisterLeavesTheRaceUntouched_data()
{
    QTest::addColumn<QByteArray>("contents"); // empty: a new register
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("off: no register") << QByteArray("-") << false;
    QTest::newRow("damaged") << QByteArray(4096, '\x5A') << false;
    QTest::newRow("not a register") << QByteArray("SQLite format 3") << false;
    QTest::newRow("disk full") << QByteArray() << true;
}

void TestRegistro::brokenRegisterLeavesTheRaceUntouched()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, diskFull);
    Race race;
    QDir().mkpath(race.fake.data);
    QString error;
    if (contents.isEmpty())
        QVERIFY(registro::createRegister(registerOf(race), &error));
    else if (contents != "-")
        QVERIFY(putFile(registerOf(race), contents));
    const QByteArray before = fileBytes(registerOf(race));
    race.fake.randoms = {0.0, Three, 0.0, Five};
    const bool started = race.start();
    // The disk fills up during the race: the next write fails.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    if (diskFull) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = old;
        tiny.rlim_cur = 2;
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    race.answer("7");
    race.next();
    race.answer("5");
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(started);
    QCOMPARE(race.caption("lblScore"), QString("2"));
    QCOMPARE(race.caption("lblScore2"), QString("2"));
    QVERIFY(!race.fake.endStatus);
    if (!diskFull)
        QCOMPARE(fileBytes(registerOf(race)), before); // never overwritten, never created
}

QTEST_MAIN(TestRegistro)
#include "tst_registro.moc"
