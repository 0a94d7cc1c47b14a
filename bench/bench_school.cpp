// SPDX-License-Identifier: GPL-3.0-or-later
// The school's server at school scale, on a private PostgreSQL cluster:
//   bench_school              10 million answers (500 children in 20 classes,
//                             400 races of 50 answers each), then one class
//                             opened as the teacher's window reads it and
//                             exported, timed, with the memory it took
//   bench_school senders [N]  N copies of the drill's recorder and sender
//                             (30 by default), each its own process playing
//                             races while it sends; then every row is checked
//                             to be on the server exactly once
#include "measure.h"
#include "pgcluster.h"
#include "pq.h"
#include "recorder.h"
#include "register.h"
#include "schooltest.h"
#include "sender.h"
#include "server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

using namespace std::chrono_literals;

namespace {
QString block(const QString &settings)
{
    return settings.section("server=\"", 1).section('"', 0, 0);
}

int fail(const QString &why)
{
    std::fprintf(stderr, "bench_school: %s\n", qPrintable(why));
    return 1;
}

// One copy of the drill: races played into its own register while its
// sender delivers them, then the sender's exit.
int oneCopy(const QString &dir, const QString &conninfo, int copy)
{
    const QString path = dir + QStringLiteral("/registro-%1.sqlite").arg(copy);
    registro::Sender sender(path, conninfo, QStringLiteral("pc-%1").arg(copy));
    for (int r = 0; r < 10; ++r) {
        registro::RecorderOptions options;
        options.className = QStringLiteral("C%1").arg(copy % 5);
        options.create = true;
        options.written = [&sender] { sender.poke(); };
        const QDateTime start = QDateTime::currentDateTime();
        registro::RaceRecorder race(path, start, QStringLiteral("Bambino %1").arg(copy), {},
                                    std::move(options));
        for (int a = 1; a <= 60; ++a)
            race.answer(start.addMSecs(a * 700), a % 9 + 1, QStringLiteral("5"), a % 3 != 0, 700);
        race.end(registro::Ending::Clock, false);
    }
    // What is left goes now, as at the start of the next run.
    return sender.sendNow(120s) ? 0 : 1;
}

int senders(PgCluster &pg, int copies)
{
    const registro::server::Prepared p = registro::server::prepare(
        pg.ownerConnInfo("carico"), testLab(pg), {"C0", "C1", "C2", "C3", "C4"});
    if (!p.error.isEmpty())
        return fail(p.error);
    QTemporaryDir dir;
    QList<QProcess *> running;
    QElapsedTimer clock;
    clock.start();
    for (int copy = 0; copy < copies; ++copy) {
        auto *process = new QProcess;
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(),
                       {"copy", dir.path(), block(p.labBlock), QString::number(copy)});
        running << process;
    }
    int failed = 0;
    for (QProcess *process : running) {
        process->waitForFinished(-1);
        failed += process->exitCode() != 0;
        delete process;
    }
    const QString counts = pg.psql(
        "carico", "SELECT count(*) || ' ' || count(DISTINCT (race, seq)) FROM dieci.answers");
    const QString races = pg.psql("carico", "SELECT count(*) FROM dieci.races");
    const int expected = copies * 10 * 60;
    std::printf("%d copies sending at once: %d failed; %s answers on the server (answers, "
                "distinct keys), %s races; expected %d answers and %d races; %.1f s\n",
                copies, failed, qPrintable(counts), qPrintable(races), expected, copies * 10,
                clock.elapsed() / 1000.0);
    return counts == QStringLiteral("%1 %1").arg(expected) && races.toInt() == copies * 10 &&
                   failed == 0
               ? 0
               : 1;
}

int schoolScale(PgCluster &pg)
{
    const QString owner = pg.ownerConnInfo("scuola");
    const registro::server::Prepared p = registro::server::prepare(owner, testLab(pg));
    if (!p.error.isEmpty())
        return fail(p.error);
    QElapsedTimer clock;
    clock.start();
    // 500 children, 25 to a class, two races a school day for 200 days, 50
    // answers a race: 10,000,000 answers.
    pg.psql("scuola",
            "INSERT INTO dieci.races (id, class, child, name, started, ending, computer) SELECT "
            "gen_random_uuid(), 'C' || lpad((c / 25)::text, 2, '0'), 'bambino ' || c, "
            "'Bambino ' || c, timestamp '2026-01-07 08:00' + (r / 2) * interval '1 day' + "
            "(r % 2) * interval '3 hours' + c * interval '7 seconds', 'fine', 'pc' FROM "
            "generate_series(0, 499) c, generate_series(0, 399) r");
    pg.psql("scuola",
            "INSERT INTO dieci.answers SELECT id, s, started + s * interval '4 seconds', "
            "1 + (s * 7 + abs(hashtext(id::text))) % 9, '5', (s + abs(hashtext(id::text))) % 5 "
            "<> 0, 600 + (s * 37) % 2500 FROM dieci.races, generate_series(1, 50) s");
    pg.psql("scuola", "VACUUM ANALYZE");
    std::printf("generated %s answers in %s races in %.0f s\n",
                qPrintable(pg.psql("scuola", "SELECT count(*) FROM dieci.answers")),
                qPrintable(pg.psql("scuola", "SELECT count(*) FROM dieci.races")),
                clock.elapsed() / 1000.0);

    const QString teacher = block(p.teacherBlock);
    for (int round = 0; round < 3; ++round) {
        clock.restart();
        const auto db = registro::server::Pq::open(teacher);
        QString why = db->error();
        QList<registro::server::ClassRow> classes;
        QList<registro::Child> children;
        const qint64 connected = clock.elapsed();
        if (why.isEmpty())
            classes = registro::server::classes(*db, &why);
        const qint64 listed = clock.elapsed();
        if (why.isEmpty())
            children = registro::server::loadClass(*db, "C07", &why);
        const qint64 loaded = clock.elapsed();
        if (!why.isEmpty())
            return fail(why);
        int races = 0, recent = 0;
        for (const registro::Child &c : children) {
            races += int(c.races.size());
            recent += int(c.answers.size());
        }
        std::printf("open class C07 (%lld of %lld classes, %lld children, %d races counted, %d "
                    "recent answers): connect %lld ms, classes %lld ms, class %lld ms, total "
                    "%lld ms\n",
                    qlonglong(1), qlonglong(classes.size()), qlonglong(children.size()), races,
                    recent, connected, listed - connected, loaded - listed, loaded);
    }
    QTemporaryDir out;
    const long before = peakKb();
    clock.restart();
    const QString why =
        registro::server::exportCsv(teacher, out.path() + "/C07.csv", {}, QStringLiteral("C07"));
    if (!why.isEmpty())
        return fail(why);
    std::printf("export of C07: %.2f s, %lld bytes, peak memory %ld KB before, %ld KB after\n",
                clock.elapsed() / 1000.0, QFile(out.path() + "/C07.csv").size(), before, peakKb());
    clock.restart();
    const QString all = registro::server::exportCsv(teacher, out.path() + "/all.csv", {}, {});
    if (!all.isEmpty())
        return fail(all);
    std::printf("export of the whole school: %.1f s, %lld bytes, peak memory %ld KB\n",
                clock.elapsed() / 1000.0, QFile(out.path() + "/all.csv").size(), peakKb());
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("copy"))
        return oneCopy(args.value(2), args.value(3), args.value(4).toInt());
    PgCluster pg;
    if (const QString why = pg.start(); !why.isEmpty())
        return fail(why);
    if (args.value(1) == QLatin1String("senders"))
        return senders(pg, args.size() > 2 ? args.value(2).toInt() : 30);
    return schoolScale(pg);
}
