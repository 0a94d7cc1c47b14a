// SPDX-License-Identifier: GPL-3.0-or-later
// The register keeps every answer exactly once, under the right child, in a
// file that stands alone, and never writes into a file it could not check.
#include "classdata.h"
#include "race.h"
#include "recorder.h"
#include "register.h"
#include "registertest.h"
#include "sender.h"

#include <QProcess>
#include <QSqlDatabase>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(registro::ErrorKind)

namespace {
QString registerIn(const QString &dir)
{
    return registro::registerPath(dir + u'/');
}

bool turnOn(const QString &path)
{
    return registro::Register::create(path).isOpen();
}

QList<registro::Child> classOf(const QString &path)
{
    QStringList problems;
    const QList<registro::Child> children = registro::loadClass({path}, &problems);
    if (!problems.isEmpty())
        qWarning("%s", qPrintable(problems.join(u'\n')));
    return children;
}

QByteArray filesOf(const QString &path)
{
    return fileBytes(path) + "|" + fileBytes(path + "-wal") + "|" + fileBytes(path + "-shm");
}

void flipBytes(const QString &path, qint64 at, qint64 count)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.seek(at);
    QVERIFY(f.write(QByteArray(int(count), '\x5A')) == count);
}

// dieci-registro with the register of this folder, run as user nobody when
// nobody is asked for and the test runs as root (root ignores permissions).
struct Command {
    int status = -1;
    QByteArray out, err;
};
Command registroCommand(const QString &dataHome, const QStringList &args, bool asNobody = false)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dataHome);
    p.setProcessEnvironment(env);
    if (asNobody && geteuid() == 0)
        p.start("setpriv",
                QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", DIECI_REGISTRO} +
                    args);
    else
        p.start(DIECI_REGISTRO, args);
    if (!p.waitForFinished(20000))
        p.kill();
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}
} // namespace

class TestRegisterIntegrity : public QObject {
    Q_OBJECT
private slots:
    void damagedRegisterIsNeverWritten_data();
    void damagedRegisterIsNeverWritten();
    void deletedWhilePlayingStaysDeleted();
    void killedRaceShowsWhatWasAnswered();
    void finishedRaceLivesInTheFileAlone();
    void lockIsWaitedOut();
    void exportRefuses_data();
    void exportRefuses();
    void exportFilters_data();
    void exportFilters();
    void cancellaDeletesOneChild();
    void upgradesAVersion1Register();
    void upgradeByTwoProgramsAtOnce();
    void lockHeldWhileOthersOpen_data();
    void lockHeldWhileOthersOpen();
    void busyAtOpenIsWaitedOut();
    void raceWithoutANameIsKept();
    void upgradeSetsAsideWhatNeverGoes();
    void recentAnswersJudgeAsTheWholeHistory();
    void raceSettingsWhileAnotherProgramWrites();
    void openSaysWhatKindOfFailure_data();
    void openSaysWhatKindOfFailure();
};

void TestRegisterIntegrity::damagedRegisterIsNeverWritten_data()
{
    using registro::ErrorKind;
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("says");
    QTest::addColumn<ErrorKind>("kind");
    QTest::newRow("garbage") << "garbage"
                             << "non è un registro di dieci" << ErrorKind::NotARegister;
    QTest::newRow("truncated to half") << "truncate"
                                       << "file troncato" << ErrorKind::Damaged;
    QTest::newRow("another program's database")
        << "foreign"
        << "non è un registro di dieci" << ErrorKind::NotARegister;
    QTest::newRow("a table missing") << "drop"
                                     << "manca la tabella settings" << ErrorKind::Damaged;
    QTest::newRow("a damaged page") << "page"
                                    << "danneggiato" << ErrorKind::Damaged;
}

void TestRegisterIntegrity::damagedRegisterIsNeverWritten()
{
    QFETCH(QString, damage);
    QFETCH(QString, says);
    Race race;
    const QString origin = registerIn(race.tmp.path() + "/origine");
    const QString path = registerIn(race.fake.data);
    QVERIFY(QDir().mkpath(race.fake.data));
    QVERIFY(turnOn(origin));
    QString settingsPage;
    {
        // A race cut short: its answer lives only in the journal.
        RawWriter writer(origin);
        QVERIFY(writer.run("INSERT INTO races (id, started, name) VALUES ('r1', '2026', 'Ada')"));
        QVERIFY(writer.run("INSERT INTO answers VALUES ('r1', 1, '2026', 3, '7', 1, 900, 0)"));
        if (damage == "drop")
            QVERIFY(writer.run("DROP TABLE settings"));
        settingsPage = ask(origin, "SELECT rootpage FROM sqlite_master WHERE name = 'settings'");
        for (const char *suffix : {"", "-wal", "-shm"})
            QVERIFY(QFile::copy(origin + suffix, path + suffix));
    }
    QVERIFY(QFileInfo(path + "-wal").size() > 0);
    const qint64 size = QFileInfo(path).size();
    if (damage == "garbage")
        flipBytes(path, 0, size);
    else if (damage == "truncate")
        QVERIFY(QFile::resize(path, size / 2));
    else if (damage == "foreign")
        flipBytes(path, 68, 4);
    else if (damage == "page")
        flipBytes(path, (settingsPage.toInt() - 1) * 4096, 4096);
    const QByteArray before = filesOf(path);

    StderrCapture err;
    race.fake.randoms = {0.0, 0.35};
    QVERIFY(race.start());
    race.answer("7");
    race.window().cmdExit()->click();
    QCOMPARE(race.fake.endStatus, std::optional(0));
    QCOMPARE(race.caption("lblScore"), QString("1")); // the race went on as ever
    const QByteArray lines = err.text();
    QVERIFY2(lines.count('\n') == 1, lines.constData());
    QVERIFY2(lines.contains(path.toUtf8()) && lines.contains(says.toUtf8()), lines.constData());
    QCOMPARE(filesOf(path), before);
    QStringList problems;
    QVERIFY(registro::loadClass({path}, &problems).isEmpty());
    QVERIFY2(problems.join("").contains(says), qPrintable(problems.join("")));
    QFETCH(registro::ErrorKind, kind);
    QCOMPARE(registro::Register::open(path, registro::Access::ReadWrite).error().kind, kind);
    QCOMPARE(filesOf(path), before);
}

void TestRegisterIntegrity::deletedWhilePlayingStaysDeleted()
{
    Race ada("Ada");
    const QString path = registerIn(ada.fake.data);
    QVERIFY(turnOn(path));
    QVERIFY(ada.start());
    for (const char *typed : {"1", "2"}) {
        ada.answer(typed);
        ada.next();
    }
    QTRY_COMPARE(ask(path, "SELECT count(*) FROM answers"), QString("2"));
    QCOMPARE(registro::Register::open(path, registro::Access::ReadWrite).deleteChild(" ADA "), 1);
    for (const char *typed : {"3", "4", "5"}) {
        ada.answer(typed);
        ada.next();
    }
    ada.window().cmdExit()->click();

    Race bea("Bea");
    bea.fake.data = ada.fake.data;
    QVERIFY(bea.start());
    for (const char *typed : {"6", "7"}) {
        bea.answer(typed);
        bea.next();
    }
    bea.window().cmdExit()->click();
    const QList<registro::Child> children = classOf(path);
    QCOMPARE(children.size(), 1);
    QCOMPARE(children[0].name, QString("Bea"));
    QCOMPARE(children[0].answers.size(), 2);
    QCOMPARE(ask(path, "SELECT count(*) FROM answers"), QString("2"));
}

void TestRegisterIntegrity::killedRaceShowsWhatWasAnswered()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    QVERIFY(turnOn(path));
    QProcess writer;
    writer.start(RACEWRITER, {path, "5"});
    QVERIFY(writer.waitForReadyRead(20000));
    QCOMPARE(writer.readLine(), QByteArray("5\n"));
    writer.kill();
    QVERIFY(writer.waitForFinished());
    const QList<registro::Child> children = classOf(path);
    QCOMPARE(children.size(), 1);
    QCOMPARE(children[0].races.size(), 1);
    const registro::RaceRow race = children[0].races[0];
    QCOMPARE(race.right, 3);
    QCOMPARE(race.wrong, 2);
    QCOMPARE(race.ending, QString("interrotta"));
}

void TestRegisterIntegrity::finishedRaceLivesInTheFileAlone()
{
    Race race;
    const QString path = registerIn(race.fake.data);
    QVERIFY(turnOn(path));
    QVERIFY(race.start());
    for (const char *typed : {"1", "2", "3"}) {
        race.answer(typed);
        race.next();
    }
    race.window().cmdExit()->click();
    QVERIFY(QFileInfo(path + "-wal").size() == 0);
    // What the teacher copies to another computer: the file, without its journal.
    const QString copy = registerIn(race.tmp.path() + "/chiavetta");
    QDir().mkpath(QFileInfo(copy).path());
    QVERIFY(QFile::copy(path, copy));
    const QList<registro::Child> children = classOf(copy);
    QCOMPARE(children.size(), 1);
    QCOMPARE(children[0].races.size(), 1);
    QCOMPARE(children[0].answers.size(), 3);
    QCOMPARE(children[0].races[0].ending, QString("uscita"));
}

void TestRegisterIntegrity::lockIsWaitedOut()
{
    Race race;
    const QString path = registerIn(race.fake.data);
    QVERIFY(turnOn(path));
    race.fake.randoms = {0.0, 0.15, 0.0, 0.25, 0.0, 0.35};
    QVERIFY(race.start());
    QTRY_COMPARE(ask(path, "SELECT count(*) FROM races"), QString("1"));
    RawWriter other(path);
    QVERIFY(other.run("BEGIN IMMEDIATE"));
    for (const char *typed : {"9", "8", "1"}) {
        race.answer(typed);
        race.next();
    }
    QCOMPARE(race.caption("lblScore2"), QString("3")); // the child never waited
    QCOMPARE(ask(path, "SELECT count(*) FROM answers"), QString("0"));
    QVERIFY(other.run("COMMIT"));
    other.close();
    race.window().cmdExit()->click();
    QCOMPARE(ask(path, "SELECT group_concat(seq || ':' || number || ':' || typed, ' ') FROM "
                       "(SELECT * FROM answers ORDER BY seq)"),
             QString("1:1:9 2:2:8 3:3:1"));
}

void TestRegisterIntegrity::exportRefuses_data()
{
    QTest::addColumn<QString>("target"); // what stands where the CSV should go
    QTest::addColumn<QString>("registerIs");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing folder") << "missing"
                                    << "ok"
                                    << "non trovat"; // Qt's own words, in Italian
    QTest::newRow("a directory") << "directory"
                                 << "ok"
                                 << "non è un file normale";
    QTest::newRow("a FIFO") << "fifo"
                            << "ok"
                            << "non è un file normale";
    QTest::newRow("unwritable folder") << "unwritable"
                                       << "ok"
                                       << "Permesso negato";
    QTest::newRow("register is a FIFO") << "free"
                                        << "fifo"
                                        << "non è un file normale";
    QTest::newRow("register is damaged") << "free"
                                         << "garbage"
                                         << "non è un registro di dieci";
}

void TestRegisterIntegrity::exportRefuses()
{
    QFETCH(QString, target);
    QFETCH(QString, registerIs);
    QFETCH(QString, says);
    QTemporaryDir tmp;
    // Open to user nobody, but for the folder that refuses.
    QVERIFY(QFile::setPermissions(tmp.path(), QFileDevice::Permissions(0x7777)));
    const QString path = registerIn(tmp.path() + "/dieci");
    QVERIFY(turnOn(path));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x6666)));
    QVERIFY(QFile::setPermissions(QFileInfo(path).path(), QFileDevice::Permissions(0x7777)));
    if (registerIs == "fifo")
        QVERIFY(QFile::remove(path) && mkfifo(qPrintable(path), 0600) == 0);
    else if (registerIs == "garbage")
        flipBytes(path, 0, 100);
    const QString folder = tmp.path() + (target == "missing" ? "/manca" : "/esporta");
    const QString csv = target == "directory" ? folder : folder + "/gare.csv";
    if (target != "missing")
        QVERIFY(QDir().mkpath(folder));
    if (target == "fifo")
        QVERIFY(mkfifo(qPrintable(csv), 0600) == 0);
    if (target == "unwritable")
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x5555)));
    const Command c = registroCommand(tmp.path(), {"--esporta", csv}, target == "unwritable");
    QCOMPARE(c.status, 1);
    const QString err = QString::fromUtf8(c.err);
    QVERIFY2(err.contains(csv) && err.contains(says), qPrintable(err));
    if (registerIs != "ok")
        QVERIFY2(err.contains(path), qPrintable(err));
    QVERIFY(!QFileInfo(target == "free" ? csv : folder + "/gare.csv").isFile());
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

void TestRegisterIntegrity::exportFilters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("rows");
    const QDate none;
    QTest::newRow("everything") << "" << none << none << 6;
    QTest::newRow("one child, folded") << " ADA " << none << none << 4;
    QTest::newRow("one day, both ends included")
        << "" << QDate(2026, 12, 8) << QDate(2026, 12, 8) << 3;
    QTest::newRow("from a day on") << "" << QDate(2026, 12, 8) << none << 5;
    QTest::newRow("nothing matches: the header alone") << "Zoe" << none << none << 0;
}

void TestRegisterIntegrity::exportFilters()
{
    QFETCH(QString, name);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, rows);
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    QVERIFY(turnOn(path));
    // Ada answers once on the 7th at 23:59, then three times on the 8th from
    // midnight; Bea twice on the 9th from one second past midnight, in a
    // race her teacher set.
    const QDateTime day7(QDate(2026, 12, 7), QTime(23, 59));
    for (const auto &[who, start, answers] :
         {std::tuple{"Ada", day7, 1}, std::tuple{"ada", day7.addSecs(60), 3},
          std::tuple{"Bea", day7.addSecs(86400 + 61), 2}}) {
        registro::RaceRecorder race(path, start, who,
                                    QString(who) == "Bea" ? "2 minuti" : QString());
        for (int i = 0; i < answers; ++i)
            race.answer(start.addSecs(i), 5, "5", true, 800);
        race.end(registro::Ending::Clock, false);
    }
    const QString csv = tmp.path() + "/gare.csv";
    QCOMPARE(registro::exportCsv(path, csv, {name, from, to}), QString());
    const QList<QByteArray> lines = fileBytes(csv).split('\n');
    QCOMPARE(lines.size() - 2, rows); // header, rows, and the empty piece after the last CR LF
    for (const QByteArray &line : lines.mid(1, rows))
        QVERIFY2(line.endsWith(line.contains(";Bea;") ? ";fine;2 minuti\r" : ";fine;\r"),
                 line.constData());
}

void TestRegisterIntegrity::cancellaDeletesOneChild()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path() + "/dieci");
    QVERIFY(turnOn(path));
    for (const char *who : {"Ada", " ada", "Bea"})
        registro::RaceRecorder(path, QDateTime::currentDateTime(), who)
            .answer(QDateTime::currentDateTime(), 1, "9", true, 900);
    Command c = registroCommand(tmp.path(), {"--cancella", "ADA"});
    QCOMPARE(c.status, 0);
    QCOMPARE(c.out, QByteArray("Cancellate 2 gare di ADA\n"));
    QCOMPARE(ask(path, "SELECT group_concat(name) FROM races"), QString("Bea"));
    QCOMPARE(ask(path, "SELECT count(*) FROM answers"), QString("1"));
    c = registroCommand(tmp.path(), {"--cancella", "Ada"});
    QCOMPARE(c.status, 1);
    QVERIFY2(c.err.contains("nessuna gara di Ada"), c.err.constData());
    // Mending a name: the new one is needed, and a register that cannot be
    // written is said, with nothing changed.
    c = registroCommand(tmp.path(), {"--rinomina", "Bea"});
    QVERIFY2(c.status == 1 && c.err.contains("manca il nome giusto"), c.err.constData());
    if (geteuid() == 0) {
        c = registroCommand(tmp.path(), {"--rinomina", "Bea", "Beatrice"}, true);
        QVERIFY2(c.status == 1 && c.err.contains(path.toUtf8()), c.err.constData());
    }
    QCOMPARE(ask(path, "SELECT group_concat(child) FROM races"), QString("bea"));
    c = registroCommand(tmp.path(), {"--rinomina", "bea", "Beatrice"});
    QCOMPARE(c.out, QByteArray("bea ora si chiama Beatrice (1 gara spostata)\n"));
    QCOMPARE(ask(path, "SELECT group_concat(child) FROM races"), QString("beatrice"));
}

void TestRegisterIntegrity::upgradesAVersion1Register()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    {
        RawWriter v1(path);
        for (const char *sql :
             {"PRAGMA journal_mode = WAL", "PRAGMA application_id = 1145652547",
              "PRAGMA user_version = 1",
              "CREATE TABLE races (id INTEGER PRIMARY KEY, started TEXT NOT NULL, name TEXT "
              "NOT NULL, ended TEXT, right INTEGER NOT NULL DEFAULT 0, wrong INTEGER NOT NULL "
              "DEFAULT 0, total INTEGER NOT NULL DEFAULT 0, record_beaten INTEGER NOT NULL "
              "DEFAULT 0)",
              "CREATE TABLE answers (id INTEGER PRIMARY KEY, race INTEGER NOT NULL REFERENCES "
              "races(id), at TEXT NOT NULL, number INTEGER NOT NULL, typed TEXT NOT NULL, "
              "right INTEGER NOT NULL, ms INTEGER NOT NULL)",
              "CREATE INDEX answers_by_race ON answers(race)",
              "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT)",
              // A finished race with stored counters that its answers contradict,
              // one that was killed, and an answer whose race is gone.
              "INSERT INTO races VALUES (1, '2026-12-01T09:00:00.000', 'Ada', 'tempo "
              "scaduto', 40, 0, 40, 1)",
              "INSERT INTO races VALUES (2, '2026-12-02T09:00:00.000', 'Ada', NULL, 0, 0, 0, 0)",
              "INSERT INTO answers VALUES (1, 1, '2026-12-01T09:00:01.000', 3, '7', 1, 900)",
              "INSERT INTO answers VALUES (2, 1, '2026-12-01T09:00:02.000', 4, '5', 0, 900)",
              "INSERT INTO answers VALUES (3, 2, '2026-12-02T09:00:01.000', 3, '7', 1, 900)",
              "INSERT INTO answers VALUES (4, 9, '2026-12-02T09:00:02.000', 3, '7', 1, 900)"})
            QVERIFY2(v1.run(sql), sql);
    }
    // Read as it is, when it may not be written.
    const QList<registro::Child> asRead = classOf(path);
    QCOMPARE(ask(path, "PRAGMA user_version"), QString("1"));

    const registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
    QVERIFY2(reg.isOpen(), qPrintable(reg.problem()));
    QCOMPARE(ask(path, "PRAGMA user_version"), QString::number(registro::SchemaVersion));
    QCOMPARE(QDir(tmp.path()).entryList({"registro.sqlite.*"}, QDir::Files), QStringList());
    QCOMPARE(ask(path, "SELECT count(*), sum(length(id) = 36) FROM races"), QString("2|2"));
    // No class was known then: nothing of it waits for the school's server.
    QCOMPARE(ask(path, "SELECT group_concat(DISTINCT sent) FROM races"), QString("3"));
    QCOMPARE(ask(path, "SELECT group_concat(DISTINCT sent) FROM answers"), QString("3"));
    const QList<registro::Child> upgraded = classOf(path);
    for (const QList<registro::Child> &children : {asRead, upgraded}) {
        QCOMPARE(children.size(), 1);
        QCOMPARE(children[0].answers.size(), 3);
        QCOMPARE(children[0].races.size(), 2);
        QCOMPARE(children[0].races[0].right, 1);
        QCOMPARE(children[0].races[0].wrong, 1);
        QCOMPARE(children[0].races[0].ending, QString("fine"));
        QCOMPARE(children[0].races[1].ending, QString("interrotta"));
    }
}

namespace {
// A register as version 2 wrote it, with one race of three answers.
void writeVersion2(const QString &path)
{
    RawWriter v2(path);
    for (const char *sql :
         {"PRAGMA journal_mode = WAL", "PRAGMA application_id = 1145652547",
          "PRAGMA user_version = 2",
          "CREATE TABLE races (id TEXT PRIMARY KEY NOT NULL, started TEXT NOT NULL, name TEXT "
          "NOT NULL, ending TEXT, record_beaten INTEGER NOT NULL DEFAULT 0, adaptation TEXT)",
          "CREATE TABLE answers (race TEXT NOT NULL REFERENCES races(id) ON DELETE CASCADE, seq "
          "INTEGER NOT NULL, at TEXT NOT NULL, number INTEGER NOT NULL, typed TEXT NOT NULL, "
          "right INTEGER NOT NULL, ms INTEGER NOT NULL, PRIMARY KEY (race, seq))",
          "CREATE INDEX answers_by_time ON answers(at)",
          "CREATE TABLE settings (key TEXT PRIMARY KEY, value TEXT)",
          "CREATE TABLE adaptations (child TEXT PRIMARY KEY NOT NULL, minutes INTEGER NOT NULL "
          "DEFAULT 5, practice INTEGER NOT NULL DEFAULT 0)",
          "INSERT INTO races VALUES ('r0', '2026-12-01T09:00:00.000', 'Ada', 'fine', 0, NULL)",
          "INSERT INTO answers VALUES ('r0', 1, '2026-12-01T09:00:01.000', 3, '7', 1, 900)",
          "INSERT INTO answers VALUES ('r0', 2, '2026-12-01T09:00:02.000', 4, '6', 1, 900)",
          "INSERT INTO answers VALUES ('r0', 3, '2026-12-01T09:00:03.000', 5, '1', 0, 900)"})
        QVERIFY2(v2.run(sql), sql);
}
} // namespace

void TestRegisterIntegrity::upgradeByTwoProgramsAtOnce()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    writeVersion2(path);
    // A copy left by an upgrade killed after its commit long ago.
    QVERIFY(putFile(path + ".v2", "vecchia copia"));
    QProcess first, second;
    first.start(RACEWRITER, {path, "12", "Uno"});
    second.start(RACEWRITER, {path, "12", "Due"});
    for (QProcess *p : {&first, &second}) {
        QVERIFY2(p->waitForReadyRead(30000), p->readAllStandardError().constData());
        QCOMPARE(p->readLine().trimmed(), QByteArray("12"));
        p->kill();
        p->waitForFinished();
    }
    QCOMPARE(ask(path, "PRAGMA user_version"), QString::number(registro::SchemaVersion));
    QCOMPARE(ask(path, "SELECT count(*) FROM races"), QString("3"));
    QCOMPARE(ask(path, "SELECT count(*) FROM answers"), QString("27"));
    QCOMPARE(ask(path, "PRAGMA integrity_check"), QString("ok"));
    QCOMPARE(QDir(tmp.path()).entryList({"registro.sqlite.*"}, QDir::Files), QStringList());
    QVERIFY(ask(path, "SELECT sql FROM sqlite_master WHERE name = 'answers'")
                .endsWith("WITHOUT ROWID"));
    QCOMPARE(ask(path, "SELECT count(*) FROM races WHERE child IS NULL"), QString("0"));
}

void TestRegisterIntegrity::lockHeldWhileOthersOpen_data()
{
    QTest::addColumn<QString>("other");
    for (const char *other : {"read", "write", "settings", "race settings", "delete", "class",
                              "export", "sender", "second race"})
        QTest::newRow(other) << other;
}

// A race's writer keeps SQLite's lock on its register whatever else the
// same process opens and closes: once lost, another program could write
// under it and the register would be corrupted.
void TestRegisterIntegrity::lockHeldWhileOthersOpen()
{
    QFETCH(QString, other);
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    QVERIFY(turnOn(path));
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 0));
    registro::RaceRecorder race(path, start, "Ada");
    race.answer(start.addSecs(1), 3, "7", true, 900);
    QTRY_COMPARE(ask(path, "SELECT count(*) FROM answers"), QString("1"));
    QVERIFY(holdsLock(path));
    if (other == "read" || other == "write") {
        const auto access =
            other == "read" ? registro::Access::ReadOnly : registro::Access::ReadWrite;
        QVERIFY(registro::Register::open(path, access).isOpen());
    } else if (other == "settings") {
        QCOMPARE(registro::Register::open(path, registro::Access::ReadWrite)
                     .setAdaptation("Bea", {2, false}),
                 QString());
    } else if (other == "race settings") {
        QCOMPARE(registro::raceSettingsOf({path}, "Bea").adaptation.minutes, 5);
    } else if (other == "delete") {
        QCOMPARE(registro::Register::open(path, registro::Access::ReadWrite).deleteChild("Bea"), 0);
    } else if (other == "class") {
        QCOMPARE(classOf(path).size(), 1);
    } else if (other == "export") {
        QCOMPARE(registro::exportCsv(path, tmp.filePath("a.csv")), QString());
    } else if (other == "sender") {
        // No server answers there: the sender opens the register and gives up.
        registro::Sender sender(path, "host=127.0.0.1 port=1 dbname=d user=u", "pc-01");
        QVERIFY(!sender.sendNow(std::chrono::seconds(30)));
    } else {
        registro::RaceRecorder second(path, start, "Bea");
        second.end(registro::Ending::Exit, false);
    }
    QVERIFY2(holdsLock(path), "the race's writer lost its lock");
    race.answer(start.addSecs(2), 4, "6", true, 900);
    race.end(registro::Ending::Exit, false);
    QCOMPARE(ask(path, "SELECT count(*) FROM answers a JOIN races r ON r.id = a.race "
                       "WHERE r.name = 'Ada'"),
             QString("2"));
}

void TestRegisterIntegrity::busyAtOpenIsWaitedOut()
{
    QTemporaryDir tmp;
    // A file of one computer of a shared home: a rollback journal, whose
    // writer shuts every reader out.
    const QString path = registro::ownRegisterPath(tmp.path() + '/', true, "pc-01");
    QVERIFY(turnOn(path));
    RawWriter other(path);
    QVERIFY(other.run("BEGIN EXCLUSIVE"));
    QVERIFY(other.run("INSERT INTO settings VALUES ('altro', 'programma')"));
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 0));
    registro::RaceRecorder race(path, start, "Ada");
    for (int i = 1; i <= 3; ++i)
        race.answer(start.addSecs(i), i, QString::number(10 - i), true, 900);
    const registro::Register held = registro::Register::open(path, registro::Access::ReadWrite);
    QCOMPARE(held.error().kind, registro::ErrorKind::Busy);
    // Said in Italian, SQLite's own words after.
    QVERIFY2(held.problem().contains(" è occupato da un altro programma (database is locked)"),
             qPrintable(held.problem()));
    QVERIFY(other.run("COMMIT"));
    other.close();
    race.end(registro::Ending::Clock, false);
    QCOMPARE(ask(path, "SELECT count(*) FROM answers"), QString("3"));
    QCOMPARE(ask(path, "SELECT ending FROM races"), QString("fine"));
}

void TestRegisterIntegrity::raceWithoutANameIsKept()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    QVERIFY(turnOn(path));
    {
        const QDateTime start(QDate(2026, 12, 7), QTime(9, 0));
        registro::RaceRecorder race(path, start, QString()); // the name box was cancelled
        race.answer(start.addSecs(1), 3, QString(), false, 900);
        race.end(registro::Ending::Exit, false);
    }
    const QList<registro::Child> children = classOf(path);
    QCOMPARE(children.size(), 1);
    QCOMPARE(children[0].answers.size(), 1);
    QCOMPARE(registro::shownName(children[0].name), QString("(senza nome)"));
    // No class in the settings: nothing of it ever waits for the school's server.
    QCOMPARE(ask(path, "SELECT r.sent || ' ' || a.sent FROM races r JOIN answers a"),
             QString("3 3"));
}

// Version 3 kept a sending index of every answer, and waited to send races
// that had no class and never would; until version 5 each race's counts were
// added up from its answers at every reading.
void TestRegisterIntegrity::upgradeSetsAsideWhatNeverGoes()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    QVERIFY(turnOn(path));
    {
        RawWriter v3(path);
        for (const char *sql :
             {"DROP TRIGGER answers_counted", "DROP TRIGGER answers_uncounted",
              "ALTER TABLE races DROP COLUMN answered", "ALTER TABLE races DROP COLUMN secret",
              "ALTER TABLE races DROP COLUMN right_answers", "DROP INDEX races_by_child",
              "ALTER TABLE races DROP COLUMN child", "ALTER TABLE adaptations DROP COLUMN voice",
              "ALTER TABLE adaptations DROP COLUMN contrast",
              "CREATE INDEX answers_unsent ON answers(race, seq) WHERE sent = 0",
              "INSERT INTO races (id, started, name) VALUES ('old', '2026-11-02', 'Ada')",
              "INSERT INTO races (id, started, name, class) VALUES ('new', '2026-11-03', 'Ada', "
              "'3A')",
              "INSERT INTO answers VALUES ('old', 1, '2026-11-02', 3, '7', 1, 900, 0)",
              "INSERT INTO answers VALUES ('old', 2, '2026-11-02', 4, '5', 0, 900, 0)",
              "INSERT INTO answers VALUES ('new', 1, '2026-11-03', 5, '5', 1, 900, 0)",
              "PRAGMA user_version = 3"})
            QVERIFY2(v3.run(sql), sql);
    }
    // Copies beside it: older versions' own, one of a killed upgrade, and one
    // that a running program (pid 1 never ends) is still making.
    for (const char *copy : {".v1", ".v3-999999999", ".v3-1"})
        QVERIFY(putFile(path + copy, "copia"));
    QVERIFY(registro::Register::open(path, registro::Access::ReadWrite).isOpen());
    QCOMPARE(ask(path, "SELECT group_concat(id || ':' || sent, ' ') FROM races"),
             QString("old:3 new:0"));
    QCOMPARE(
        ask(path, "SELECT group_concat(sent, ' ') FROM (SELECT sent FROM answers ORDER BY at)"),
        QString("3 3 0"));
    QCOMPARE(ask(path, "SELECT group_concat(DISTINCT child) FROM races"), QString("ada"));
    // Each race's counts, from then on kept by the register itself.
    QCOMPARE(ask(path, "SELECT group_concat(id || ':' || answered || ':' || right_answers, ' ') "
                       "FROM races"),
             QString("old:2:1 new:1:1"));
    // Each race with a secret of its own, for the school's server.
    QCOMPARE(ask(path, "SELECT count(DISTINCT secret) FROM races WHERE length(secret) = 32"),
             QString("2"));
    QCOMPARE(ask(path, "SELECT count(*) FROM sqlite_master WHERE name = 'answers_unsent'"),
             QString("0"));
    QCOMPARE(QDir(tmp.path()).entryList({"registro.sqlite.*"}, QDir::Files),
             QStringList{"registro.sqlite.v3-1"});
}

// The class and the practice plan read only a child's newest races: what
// they judge must be what her whole history says.
void TestRegisterIntegrity::recentAnswersJudgeAsTheWholeHistory()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    QVERIFY(turnOn(path));
    const QDateTime start(QDate(2026, 9, 14), QTime(9, 0));
    // Fact 7 once, in her first race; then 40 wrong answers to 3, then 20 right.
    for (int race = 0; race < 7; ++race) {
        registro::RaceRecorder r(path, start.addDays(race), race % 2 ? "Ada" : " ADA");
        for (int i = 0; i < 10; ++i) {
            const bool seven = race == 0 && i == 0;
            r.answer(start.addDays(race).addSecs(i + 1), seven ? 7 : 3, "x", seven || race >= 5,
                     900);
        }
        r.end(registro::Ending::Clock, false);
    }
    {
        // Written by hand, without the folded name: found all the same.
        RawWriter other(path);
        QVERIFY(other.run("INSERT INTO races (id, started, name) VALUES ('r', '2026', 'Bea')"));
    }
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
    const QList<registro::AnswerRow> recent = registro::recentAnswersOf(reg, "ada");
    const QList<registro::Child> children = classOf(path);
    QCOMPARE(children.size(), 2);
    QCOMPARE(children[0].races.size(), 7);
    QCOMPARE(children[0].races[0].right + children[0].races[0].wrong, 10);
    for (const QList<registro::AnswerRow> &answers : {recent, children[0].answers}) {
        const registro::Knowledge three = registro::knowledgeOf(answers, 3);
        QCOMPARE(three.answers, 20);
        QCOMPARE(three.right, 20);
        QCOMPARE(registro::knowledgeOf(answers, 7).answers, 1);
    }
    QCOMPARE(registro::Register::open(path, registro::Access::ReadWrite).deleteChild(" bea"), 1);
}

// A race about to start reads her settings and answers at a glance, without
// the whole-file check, while another program's race is in the journal.
void TestRegisterIntegrity::raceSettingsWhileAnotherProgramWrites()
{
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    QVERIFY(turnOn(path));
    QCOMPARE(
        registro::Register::open(path, registro::Access::ReadWrite).setAdaptation("Ada", {3, true}),
        QString());
    QProcess writer;
    writer.start(RACEWRITER, {path, "12", "Ada"});
    QVERIFY2(writer.waitForReadyRead(30000), writer.readAllStandardError().constData());
    QCOMPARE(writer.readLine().trimmed(), QByteArray("12"));
    QVERIFY(QFileInfo(path + "-wal").size() > 0);
    const registro::RaceSettings race = registro::raceSettingsOf({path}, " ADA");
    QCOMPARE(race.adaptation.minutes, 3);
    QCOMPARE(race.recent.size(), 12);
    QCOMPARE(race.recent.first().number, 1); // oldest first
    writer.kill();
    writer.waitForFinished();
}

void TestRegisterIntegrity::openSaysWhatKindOfFailure_data()
{
    using registro::ErrorKind;
    QTest::addColumn<QString>("file");
    QTest::addColumn<ErrorKind>("forWriting");
    QTest::addColumn<ErrorKind>("forReading");
    QTest::newRow("none") << "none" << ErrorKind::Missing << ErrorKind::Missing;
    QTest::newRow("a folder") << "folder" << ErrorKind::NotARegister << ErrorKind::NotARegister;
    QTest::newRow("empty") << "empty" << ErrorKind::NotARegister << ErrorKind::NotARegister;
    // A later dieci's register is read, never written.
    QTest::newRow("newer") << "newer" << ErrorKind::Newer << ErrorKind::None;
}

void TestRegisterIntegrity::openSaysWhatKindOfFailure()
{
    QFETCH(QString, file);
    QFETCH(registro::ErrorKind, forWriting);
    QFETCH(registro::ErrorKind, forReading);
    QTemporaryDir tmp;
    const QString path = registerIn(tmp.path());
    if (file == "folder")
        QVERIFY(QDir().mkpath(path));
    else if (file == "empty")
        QVERIFY(putFile(path, ""));
    else if (file == "newer") {
        QVERIFY(turnOn(path));
        QVERIFY(RawWriter(path).run("PRAGMA user_version = 99"));
    }
    // The file itself is never written (SQLite may make its -shm index).
    const QByteArray before = fileBytes(path);
    QCOMPARE(registro::Register::open(path, registro::Access::ReadWrite).error().kind, forWriting);
    QCOMPARE(registro::Register::open(path, registro::Access::ReadOnly).error().kind, forReading);
    // A race about to start reads nothing there, and the race everyone plays.
    const registro::RaceSettings race = registro::raceSettingsOf({path}, "Ada");
    QVERIFY(race.adaptation.standard() && race.recent.isEmpty());
    QCOMPARE(fileBytes(path), before);
}

QTEST_MAIN(TestRegisterIntegrity)
#include "tst_registerintegrity.moc"
