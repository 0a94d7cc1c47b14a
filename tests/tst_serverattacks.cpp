// SPDX-License-Identifier: GPL-3.0-or-later
// A child with a terminal on a lab computer: the children's role and its
// password are hers. What she tries against a real private PostgreSQL is
// refused, and what the school's server holds stays what children played.
#include "pgcluster.h"
#include "pq.h"
#include "registertest.h"
#include "schooltest.h"
#include "sender.h"
#include "server.h"
#include "testhelpers.h"

#include <QFileInfo>
#include <QTest>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

using namespace std::chrono_literals;

namespace {
// What the server holds, as the owner reads it: any change shows.
const char *const Everything =
    "SELECT md5(coalesce((SELECT string_agg(concat_ws(',', id, class, child, name, started, "
    "ending, record_beaten, secret), ';' ORDER BY id) FROM dieci.races), '') || "
    "coalesce((SELECT string_agg(concat_ws(',', race, seq, number, typed, correct, ms), ';' "
    "ORDER BY race, seq) FROM dieci.answers), '') || coalesce((SELECT string_agg(name, ',') "
    "FROM dieci.classes), '') || coalesce((SELECT string_agg(concat_ws(',', class, child, "
    "minutes, practice), ';') FROM dieci.child_settings), '') || coalesce((SELECT "
    "string_agg(concat_ws(',', class, typed, child), ';') FROM dieci.aliases), ''))";

QByteArray raceJson(const QString &id, const QString &secret, const QString &className,
                    const QString &ending = "null", const QString &name = "Ada")
{
    return QStringLiteral("[{\"id\":\"%1\",\"secret\":\"%2\",\"class\":\"%3\",\"child\":\"ada\","
                          "\"name\":\"%4\",\"started\":\"2026-12-07T09:00:00\",\"ending\":%5}]")
        .arg(id, secret, className, name, ending)
        .toUtf8();
}

QByteArray answerJson(const QString &race, const QString &secret, int number, int seq = 90)
{
    return QStringLiteral("[{\"race\":\"%1\",\"secret\":\"%2\",\"seq\":%3,\"at\":\"2026-12-07T09:"
                          "00:30\",\"number\":%4,\"typed\":\"5\",\"correct\":true,\"ms\":900}]")
        .arg(race, secret)
        .arg(seq)
        .arg(number)
        .toUtf8();
}
} // namespace

class TestServerAttacks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void childrensRoleIsRefused_data();
    void childrensRoleIsRefused();
    void sendingShowsNoValue();
    void deletedChildStaysDeleted();
    void exportShowsNamesAsText();
    void undeclaredClassWaits();

private:
    PgCluster m_pg;
    QString m_problem;
    QString m_children, m_teacher;
    QTemporaryDir m_tmp;
    QString m_race, m_secret; // a real race on the server, not yet ended
};

void TestServerAttacks::initTestCase()
{
    if (!QFileInfo::exists(PgCluster::binDir() + "/initdb"))
        QSKIP("PostgreSQL 15 is not installed: the server's cases are skipped");
    m_problem = m_pg.start();
    QVERIFY2(m_problem.isEmpty(), qPrintable(m_problem));
    const registro::server::Prepared p =
        registro::server::prepare(m_pg.ownerConnInfo("scuola"), testLab(m_pg), {"3A"});
    QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
    m_children = roleConnInfo(p.labBlock);
    m_teacher = roleConnInfo(p.teacherBlock);
    const QString path = m_tmp.filePath("registro.sqlite");
    recordRace(path, "Ada", "3A", 1, false);
    QVERIFY(registro::Sender(path, m_children, "pc-01").sendNow(30s));
    m_race = ask(path, "SELECT id FROM races");
    m_secret = ask(path, "SELECT secret FROM races");
    QCOMPARE(m_pg.psql("scuola", "SELECT count(*) FROM dieci.answers"), QString("1"));
    m_pg.psql("scuola", "INSERT INTO dieci.child_settings VALUES ('3A', 'ada', 10, true)");
}

void TestServerAttacks::childrensRoleIsRefused_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("param");   // {race}, {secret} stand for the real race's
    QTest::addColumn<QString>("refusal"); // a part of the error; empty: nothing added
    const QString wrong = QString(32, u'0');
    QTest::newRow("read races") << "SELECT name FROM dieci.races"
                                << ""
                                << "permission denied";
    QTest::newRow("read answers") << "SELECT count(*) FROM dieci.answers"
                                  << ""
                                  << "permission denied";
    QTest::newRow("read classes") << "SELECT name FROM dieci.classes"
                                  << ""
                                  << "permission denied";
    // Who has a race of her own tells who has a learning plan.
    QTest::newRow("read the class's settings") << "SELECT child FROM dieci.child_settings"
                                               << ""
                                               << "permission denied";
    QTest::newRow("send her races to another child")
        << "INSERT INTO dieci.aliases VALUES ('3A', 'ada', 'bea')"
        << ""
        << "permission denied";
    QTest::newRow("set her own race") << "UPDATE dieci.child_settings SET minutes = 0"
                                      << ""
                                      << "permission denied";
    QTest::newRow("change around the functions") << "UPDATE dieci.answers SET correct = true"
                                                 << ""
                                                 << "permission denied";
    QTest::newRow("temporary table") << "CREATE TEMP TABLE t (x int)"
                                     << ""
                                     << "permission denied";
    QTest::newRow("a table of her own") << "CREATE TABLE public.t (x int)"
                                        << ""
                                        << "permission denied";
    QTest::newRow("a schema of her own") << "CREATE SCHEMA mio"
                                         << ""
                                         << "permission denied";
    QTest::newRow("answers without the secret")
        << "SELECT dieci.add_answers($1::json)" << QString(answerJson("{race}", wrong, 3)) << "";
    QTest::newRow("an ending without the secret")
        << "SELECT dieci.add_races($1::json)"
        << QString(raceJson("{race}", wrong, "3A", "\"fine\"")) << "";
    QTest::newRow("a forged ending") << "SELECT dieci.add_races($1::json)"
                                     << QString(raceJson("0b0e5f8e-8f0e-4c53-9d3c-7c35550f0001",
                                                         wrong, "3A", "\"<h1>RIMANDATO</h1>\""))
                                     << "fine della gara non valida";
    QTest::newRow("an answer out of range")
        << "SELECT dieci.add_answers($1::json)" << QString(answerJson("{race}", "{secret}", 10))
        << "risposta non valida";
    QTest::newRow("an undeclared class") << "SELECT dieci.add_races($1::json)"
                                         << QString(raceJson("0b0e5f8e-8f0e-4c53-9d3c-7c35550f0002",
                                                             wrong, "5B", "null", "Maestra Rossi"))
                                         << "non è tra quelle della scuola";
    QTest::newRow("a control character in the name")
        << "SELECT dieci.add_races($1::json)"
        << QString(raceJson("0b0e5f8e-8f0e-4c53-9d3c-7c35550f0003", wrong, "3A", "null",
                            "Ada\\u001b[2J"))
        << "nome non valido";
    QString batch = "[";
    for (int i = 0; i < 201; ++i)
        batch +=
            QString(
                raceJson(QStringLiteral("0b0e5f8e-8f0e-4c53-9d3c-%1").arg(i, 12, 10, QChar('0')),
                         wrong, "3A"))
                .mid(1)
                .chopped(1) +
            (i < 200 ? "," : "]");
    QTest::newRow("a batch over the limit")
        << "SELECT dieci.add_races($1::json)" << batch << "troppe gare";
}

void TestServerAttacks::childrensRoleIsRefused()
{
    QFETCH(QString, sql);
    QFETCH(QString, param);
    QFETCH(QString, refusal);
    const QString before = m_pg.psql("scuola", Everything);
    registro::server::Pq pq(m_children);
    QVERIFY2(pq.ok(), qPrintable(pq.error()));
    QList<QByteArray> params;
    if (!param.isEmpty())
        params << param.replace("{race}", m_race).replace("{secret}", m_secret).toUtf8();
    const registro::server::Pq::Reply reply = pq.exec(sql.toUtf8().constData(), params);
    if (refusal.isEmpty())
        QCOMPARE(reply.value, QString("0"));
    else
        QVERIFY2(reply.why.contains(refusal), qPrintable(reply.why));
    QCOMPARE(m_pg.psql("scuola", Everything), before);
}

// Another lab computer watching every session of the children's role while
// a race is sent sees the statement, never a name, a class or an id.
void TestServerAttacks::sendingShowsNoValue()
{
    const QString path = m_tmp.filePath("secondo.sqlite");
    recordRace(path, "Giulia Rossi", "3A", 0, false);
    // What another session of the same role sees of one held by the owner's
    // lock on the races, while it waits in plain sight.
    const auto seenWhileHeld = [this](const QString &conninfo,
                                      const std::function<void()> &work) -> QString {
        registro::server::Pq owner(m_pg.ownerConnInfo("scuola"));
        owner.exec("BEGIN");
        owner.exec("LOCK dieci.races IN EXCLUSIVE MODE");
        registro::server::Pq watcher(conninfo);
        std::thread working(work);
        const bool waits = QTest::qWaitFor(
            [&watcher] {
                return watcher
                           .exec("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = "
                                 "'Lock' AND usename = current_user")
                           .value == QLatin1String("1");
            },
            30000);
        const QString seen =
            watcher
                .exec("SELECT string_agg(query, ' | ') FROM pg_stat_activity WHERE usename = "
                      "current_user AND pid <> pg_backend_pid()")
                .value;
        owner.exec("ROLLBACK");
        working.join();
        return waits ? seen : QStringLiteral("nothing waited on the lock");
    };
    // A sender's first round, at its start, sends what its register holds.
    std::optional<registro::Sender> sender;
    const QString sending =
        seenWhileHeld(m_children, [&] { sender.emplace(path, m_children, "pc-02"); });
    QVERIFY2(sending.contains("dieci.add_races($1::json)"), qPrintable(sending));
    // A teacher deleting a child shows no more to the other teachers.
    const QString deleting = seenWhileHeld(m_teacher, [this] {
        QString why;
        registro::server::deleteChild(*registro::server::Pq::open(m_teacher), "3A", "Giulia Rossi",
                                      &why);
    });
    QVERIFY2(deleting.contains("class = $1 AND child = $2"), qPrintable(deleting));
    for (const QString &seen : {sending, deleting})
        for (const QString &secret : {QString("Giulia"), QString("giulia"), QString("3A"),
                                      ask(path, "SELECT id FROM races")})
            QVERIFY2(!seen.contains(secret), qPrintable(seen));
    QVERIFY(sender->sendNow(30s));
}

// Deleting a child is final for what she played before it, whenever a
// computer that was offline sends it; what she plays later is hers again.
void TestServerAttacks::deletedChildStaysDeleted()
{
    const QString path = m_tmp.filePath("offline.sqlite");
    const QDateTime now = QDateTime::currentDateTime();
    recordRace(path, "Elena", "3A", 1, true, now.addSecs(-3600));
    const auto teacher = registro::server::Pq::open(m_teacher);
    QCOMPARE(teacher->error(), QString());
    QString why;
    QCOMPARE(registro::server::deleteChild(*teacher, "3A", "Elena", &why), 0);
    QCOMPARE(why, QString());
    QVERIFY(registro::Sender(path, m_children, "pc-03").sendNow(30s));
    QCOMPARE(m_pg.psql("scuola", "SELECT count(*) FROM dieci.races WHERE child = 'elena'"),
             QString("0"));
    recordRace(path, "Elena", "3A", 1, true, now.addSecs(120));
    QVERIFY(registro::Sender(path, m_children, "pc-03").sendNow(30s));
    QCOMPARE(m_pg.psql("scuola", "SELECT count(*) FROM dieci.races WHERE child = 'elena'"),
             QString("1"));
}

// A name the server takes (it is only text) reaches the teacher's
// spreadsheet as text: no formula, no shifted column.
void TestServerAttacks::exportShowsNamesAsText()
{
    const QString path = m_tmp.filePath("formula.sqlite");
    recordRace(path, "=HYPERLINK(\"http://x\";\"clic\")", "3A", 1);
    QVERIFY(registro::Sender(path, m_children, "pc-04").sendNow(30s));
    const QString csv = m_tmp.filePath("scuola.csv");
    QCOMPARE(registro::server::exportCsv(m_teacher, csv, {}, "3A"), QString());
    const QStringList lines = QString::fromUtf8(fileBytes(csv)).split("\r\n", Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 1);
    for (const QString &line : lines.mid(1)) {
        const QStringList fields = csvFields(line);
        QCOMPARE(fields.size(), 11);
        QCOMPARE(fields[9], QString("3A"));
        for (const QString &field : fields)
            QVERIFY2(!formula(field), qPrintable(line));
    }
}

// A PC set up with a class the school has not declared keeps its races, says
// so once, and sends them as soon as the class is there.
void TestServerAttacks::undeclaredClassWaits()
{
    const QString path = m_tmp.filePath("5B.sqlite");
    recordRace(path, "Dario", "5B", 1);
    StderrCapture err;
    {
        registro::Sender sender(path, m_children, "pc-05");
        QVERIFY(!sender.sendNow(30s));
        QVERIFY(!sender.sendNow(30s));
    }
    const QString said = QString::fromUtf8(err.text());
    QCOMPARE(said.count('\n'), 1);
    QVERIFY2(said.contains("la classe 5B non è tra quelle della scuola"), qPrintable(said));
    QCOMPARE(ask(path, "SELECT sent FROM races"), QString("0"));
    const registro::server::Prepared p =
        registro::server::prepare(m_pg.ownerConnInfo("scuola"), testLab(m_pg), {"5B"});
    QCOMPARE(p.error, QString());
    QVERIFY(registro::Sender(path, m_children, "pc-05").sendNow(30s));
    QCOMPARE(m_pg.psql("scuola", "SELECT count(*) FROM dieci.answers a JOIN dieci.races r ON "
                                 "r.id = a.race WHERE r.class = '5B'"),
             QString("1"));
}

QTEST_GUILESS_MAIN(TestServerAttacks)
#include "tst_serverattacks.moc"
