// SPDX-License-Identifier: GPL-3.0-or-later
#include "classdata.h"
#include "race.h"
#include "recordfiles.h"
#include "register.h"
#include "registerwindow.h"
#include "schema.h"

#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>

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
    void knownByHeart_data();
    void knownByHeart();
    void teachersWindow();
    void closingTheWindowEndsTheRace();
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

void TestRegistro::knownByHeart_data()
{
    QTest::addColumn<QList<int>>("times"); // ms of each answer to 7 + 3, oldest first; < 0 wrong
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("median");
    QTest::addColumn<bool>("byHeart");
    QTest::newRow("never asked") << QList<int>{} << 0 << 0 << false;
    QList<int> nineOfTen(9, 2900);
    QTest::newRow("90% right, median 2.9 s")
        << (nineOfTen + QList<int>{-2900}) << 9 << 2900 << true;
    QTest::newRow("90% right, median exactly 3 s")
        << (QList<int>(9, 3000) + QList<int>{-3000}) << 9 << 3000 << false;
    QTest::newRow("80% right, fast")
        << (QList<int>(8, 900) + QList<int>{-900, -900}) << 8 << 900 << false;
    QTest::newRow("only the last 20 count")
        << (QList<int>(10, -9000) + QList<int>(20, 1200)) << 20 << 1200 << true;
    QTest::newRow("even count: middle two")
        << QList<int>{1000, 2000, 2000, 3000, 3500, 5000} << 6 << 2500 << true;
    QTest::newRow("one quick right answer is not yet enough")
        << QList<int>{800} << 1 << 800 << false;
}

void TestRegistro::knownByHeart()
{
    QFETCH(QList<int>, times);
    QFETCH(int, right);
    QFETCH(int, median);
    QFETCH(bool, byHeart);
    QList<registro::AnswerRow> answers;
    for (int ms : times) {
        answers.append({{}, 7, ms >= 0, std::abs(ms)});
        answers.append({{}, 2, false, 99999}); // another fact: never counted
    }
    const registro::Knowledge k = registro::knowledgeOf(answers, 7);
    QCOMPARE(k.answers, std::min<int>(int(times.size()), 20));
    QCOMPARE(k.right, right);
    QCOMPARE(k.medianMs, qint64(median));
    QCOMPARE(k.byHeart, byHeart);
}

void TestRegistro::teachersWindow()
{
    QTemporaryDir tmp;
    const QString path = registro::registerPath(tmp.path() + '/');
    QString error;
    {
        // First start: what is recorded and where, and the offer to turn it on.
        registroui::RegisterWindow first(path);
        auto *on = first.findChild<QPushButton *>();
        QVERIFY(on && on->isVisibleTo(&first));
        QVERIFY(!QFileInfo::exists(path));
        bool saysWhere = false;
        for (const QLabel *text : first.findChildren<QLabel *>())
            saysWhere |= text->isVisibleTo(&first) && text->text().contains(path);
        QVERIFY(saysWhere);
        on->click();
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(first.classTable()->rowCount(), 0);
    }
    const QDateTime day(QDate(2026, 12, 7), QTime(8, 30));
    int race = 0;
    for (const QString name : {"Anna", " anna ", "<b>Bea</b>"}) {
        registro::RaceRecorder recorder(path, day.addDays(race++), name);
        for (int i = 0; i < 5; ++i)
            recorder.answer(day, 7, "3", name != "<b>Bea</b>", 1500);
        recorder.end(registro::Ending::Clock, race, 0, false);
    }
    registroui::RegisterWindow window(path);
    window.confirm = [](const QString &) { return true; };
    QTableWidget *table = window.classTable();
    QCOMPARE(table->rowCount(), 2); // Anna once, whatever the case and spaces
    const int anna = table->item(0, 0)->text() == "Anna" ? 0 : 1;
    QCOMPARE(table->item(1 - anna, 0)->text(), QString("<b>Bea</b>")); // as typed, not markup
    QCOMPARE(table->item(anna, 1)->text(), QString("2"));
    QCOMPARE(table->item(anna, 3)->text(), QString("2"));
    QCOMPARE(table->item(anna, 4)->text(), QString("1 2, in crescita"));
    table->setCurrentCell(anna, 0);
    QCOMPARE(window.fact(7)->text(),
             QString("7 + 3\n10 esatte su 10\nmediana 1,5 s\nsa a memoria"));
    QCOMPARE(window.fact(1)->text(), QString("1 + 9\nnessuna risposta"));
    QCOMPARE(window.fact(7)->textFormat(), Qt::PlainText);

    table->setCurrentCell(1 - anna, 0);
    window.deleteChild();
    QCOMPARE(table->rowCount(), 1);
    QStringList problems;
    QCOMPARE(registro::loadClass({path}, &problems).size(), 1);

    // Another computer's register, merged: the same Anna, one more race.
    const QString other = registro::registerPath(tmp.path() + "/altro-");
    QVERIFY(registro::createRegister(other, &error));
    registro::RaceRecorder(other, day.addDays(-1), "ANNA").end(registro::Ending::Exit, 5, 0, true);
    window.showRegisters({path, other});
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 4)->text(), QString("5 1 2, in calo"));
    // Something that is not a register: said so, and left as it was.
    QVERIFY(putFile(other, "not a register"));
    window.showRegisters({other});
    QCOMPARE(window.notice()->text(), other + ": non è un registro di dieci");
    QCOMPARE(fileBytes(other), QByteArray("not a register"));

    // A register from a newer version is shown, and nothing in it can be changed.
    const QString c = registro::openConnection(path, registro::OpenMode::ReadWrite, &error);
    QVERIFY(QSqlQuery(QSqlDatabase::database(c, false)).exec("PRAGMA user_version = 2"));
    registro::closeConnection(c);
    window.showRegisters({path});
    QCOMPARE(table->rowCount(), 1);
    QVERIFY2(window.notice()->text().contains("sola lettura"), qPrintable(window.notice()->text()));
    window.deleteChild();
    QCOMPARE(table->rowCount(), 1);
}

void TestRegistro::closingTheWindowEndsTheRace()
{
    Race race;
    QDir().mkpath(race.fake.data);
    QString error;
    QVERIFY(registro::createRegister(registerOf(race), &error));
    QVERIFY(race.start());
    race.answer("0");
    race.window().close();
    QCOMPARE(ask(registerOf(race), "SELECT ended, right, wrong FROM races"),
             QString("finestra chiusa|0|1"));
}

QTEST_MAIN(TestRegistro)
#include "tst_registro.moc"
