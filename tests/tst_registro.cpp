// SPDX-License-Identifier: GPL-3.0-or-later
#include "classdata.h"
#include "race.h"
#include "recorder.h"
#include "register.h"
#include "registertest.h"
#include "registerwindow.h"

#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTableWidget>

#include <csignal>
#include <sys/resource.h>

namespace {
constexpr double Three = 0.35, Five = 0.55; // draws that show 3 and 5

QString registerOf(const Race &race)
{
    return registro::registerPath(race.fake.data + u'/');
}

bool turnOn(const QString &path)
{
    const registro::Register reg = registro::Register::create(path);
    if (!reg.isOpen())
        qWarning("%s", qPrintable(reg.problem()));
    return reg.isOpen();
}

// A raw statement on the file, bypassing every check.
bool rawSql(const QString &path, const QString &sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(path);
        ok = db.open() && QSqlQuery(db).exec(sql);
    }
    QSqlDatabase::removeDatabase("raw");
    return ok;
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
    QVERIFY(turnOn(registerOf(race)));
    race.fake.randoms = {0.0, Three, 0.0, Five};
    QVERIFY(race.start());
    race.fake.elapsed = 1500;
    race.answer("7"); // right
    race.next();
    race.fake.elapsed = 4000;
    race.answer("1");                 // wrong
    race.window().cmdExit()->click(); // 1 beats the empty record

    QCOMPARE(race.fake.endStatus, std::optional(0));
    QCOMPARE(ask(registerOf(race), "SELECT started, name, ending, record_beaten FROM races"),
             QString("2026-12-07T08:30:00.000|Anna \"la;prima\"|uscita|1"));
    const QString csv = race.tmp.path() + "/registro.csv";
    QCOMPARE(registro::exportCsv(registerOf(race), csv), QString());
    QCOMPARE(fileBytes(csv),
             QByteArray("\xEF\xBB\xBF"
                        "data;ora;nome;gara;numero;risposta;esatta;millisecondi;esito;su misura\r\n"
                        "07/12/2026;08:30:01;\"Anna \"\"la;prima\"\"\";1;3;7;s\xC3\xAC;"
                        "1500;uscita;\r\n"
                        "07/12/2026;08:30:04;\"Anna \"\"la;prima\"\"\";1;5;1;no;"
                        "2500;uscita;\r\n"));
}

void TestRegistro::brokenRegisterLeavesTheRaceUntouched_data()
{
    QTest::addColumn<QByteArray>("contents"); // empty: a new register
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("off: no register") << QByteArray("-") << false;
    QTest::newRow("disk full") << QByteArray() << true;
}

void TestRegistro::brokenRegisterLeavesTheRaceUntouched()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, diskFull);
    Race race;
    QDir().mkpath(race.fake.data);
    if (contents.isEmpty())
        QVERIFY(turnOn(registerOf(race)));
    else if (contents != "-")
        QVERIFY(putFile(registerOf(race), contents));
    const QByteArray before = fileBytes(registerOf(race));
    race.fake.randoms = {0.0, Three, 0.0, Five};
    StderrCapture err;
    const bool started = race.start();
    if (diskFull)
        QTRY_COMPARE(ask(registerOf(race), "SELECT count(*) FROM races"), QString("1"));
    // The disk fills up during the race: the next write fails.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    // Restored however the test ends: the rest of the suite needs a disk.
    const std::unique_ptr<rlimit, void (*)(rlimit *)> restore(
        &old, [](rlimit *limit) { setrlimit(RLIMIT_FSIZE, limit); });
    if (diskFull) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = old;
        tiny.rlim_cur = 4096; // below the journal already written, above the stderr line
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    race.answer("7");
    race.next();
    race.answer("5");
    // The register's own report: recording stopped, with one line.
    if (diskFull)
        QTRY_VERIFY(fileBytes(err.path()).contains("registro"));
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(started);
    QCOMPARE(race.caption("lblScore"), QString("2"));
    QCOMPARE(race.caption("lblScore2"), QString("2"));
    QVERIFY(!race.fake.endStatus);
    if (!diskFull)
        QCOMPARE(fileBytes(registerOf(race)), before); // never created
    race.window().cmdExit()->click();
    QCOMPARE(err.text().count('\n'), diskFull ? 1 : 0);
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
        if (race == 2)
            recorder.answer(day, 2, "8", true, 900); // her second race: one more right
        recorder.end(registro::Ending::Clock, false);
    }
    registroui::RegisterWindow window(path);
    window.confirm = [](const QString &) { return true; };
    window.resize(1024, 700);
    QTableWidget *table = window.classTable();
    QCOMPARE(table->rowCount(), 2); // Anna once, whatever the case and spaces
    const int anna = table->item(0, 0)->text() == "Anna" ? 0 : 1;
    QCOMPARE(table->item(1 - anna, 0)->text(), QString("<b>Bea</b>")); // as typed, not markup
    QCOMPARE(table->item(anna, 1)->text(), QString("2"));
    QCOMPARE(table->item(anna, 3)->text(), QString("6"));
    QCOMPARE(table->item(anna, 4)->text(), QString("5 6")); // too few races for a trend
    table->setCurrentCell(anna, 0);
    QCOMPARE(window.fact(7)->text(),
             QString("7 + 3\nsa a memoria\n10 esatte su 10\nmediana 1,5 s"));
    QCOMPARE(window.fact(1)->text(), QString("1 + 9\nmai chiesto"));
    QCOMPARE(window.fact(7)->textFormat(), Qt::PlainText);
    QCOMPARE(window.racesTable()->rowCount(), 2);
    QCOMPARE(window.racesTable()->item(0, 1)->text(), QString("6"));
    QCOMPARE(window.racesTable()->item(0, 4)->text(), QString("fine"));

    table->setCurrentCell(1 - anna, 0);
    window.deleteChild();
    QCOMPARE(table->rowCount(), 1);
    QStringList problems;
    QCOMPARE(registro::loadClass({path}, &problems).size(), 1);

    // Another computer's register, merged: the same Anna, one more race.
    const QString other = registro::registerPath(tmp.path() + "/altro-");
    QVERIFY(turnOn(other));
    {
        registro::RaceRecorder earlier(other, day.addDays(-1), "ANNA");
        for (int i = 0; i < 9; ++i)
            earlier.answer(day.addDays(-1), 4, "6", true, 1000);
        earlier.end(registro::Ending::Exit, true);
    }
    window.showRegisters({path, other});
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 4)->text(), QString("9* 5 6")); // left with Exit: marked
    // The same register twice counts nothing twice.
    window.showRegisters({path, other, other});
    QCOMPARE(table->item(0, 1)->text(), QString("3"));
    // Something that is not a register: said so, and left as it was.
    QVERIFY(putFile(other, "not a register"));
    window.showRegisters({other});
    QCOMPARE(window.notice()->text(), other + ": non è un registro di dieci");
    QCOMPARE(fileBytes(other), QByteArray("not a register"));

    // A register from a newer version is shown, and nothing in it can be changed.
    QVERIFY(rawSql(path, "PRAGMA user_version = 99"));
    window.showRegisters({path});
    QCOMPARE(table->rowCount(), 1);
    QVERIFY2(window.notice()->text().contains("sola lettura"), qPrintable(window.notice()->text()));
    window.deleteChild();
    QCOMPARE(table->rowCount(), 1);
}

void TestRegistro::closingTheWindowEndsTheRace()
{
    Race race;
    QVERIFY(turnOn(registerOf(race)));
    QVERIFY(race.start());
    race.answer("0");
    race.window().close();
    QCOMPARE(ask(registerOf(race), "SELECT ending, count(*), sum(right) FROM races JOIN answers "
                                   "ON race = id"),
             QString("finestra chiusa|1|0"));
}

QTEST_MAIN(TestRegistro)
#include "tst_registro.moc"
