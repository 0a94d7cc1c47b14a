// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pgcluster.h"
#include "recorder.h"
#include "server.h"

#include <QDateTime>
#include <QString>

// Plays a race into the register at path through the drill's own recorder:
// by default each race a minute after the last, as they were played.
inline void recordRace(const QString &path, const QString &name, const QString &className,
                       int answers, bool ended = true, QDateTime start = {})
{
    registro::RecorderOptions options;
    options.className = className;
    options.create = true;
    static int minute = 0;
    if (!start.isValid())
        start = QDateTime(QDate(2026, 12, 7), QTime(9, ++minute % 60));
    registro::RaceRecorder race(path, start, name, {}, std::move(options));
    for (int i = 1; i <= answers; ++i)
        race.answer(start.addSecs(i), i % 9 + 1, QString::number(10 - (i % 9 + 1)), i % 4 != 0,
                    700 + i);
    if (ended)
        race.end(registro::Ending::Clock, false);
    race.finish();
}

// The connection string of a settings block that --prepara-server printed.
inline QString roleConnInfo(const QString &block)
{
    return block.section("server=\"", 1).section('"', 0, 0);
}

// Where the test's lab finds its private cluster: this machine, asked for by
// name, without TLS (the cluster has no certificate).
inline registro::server::LabAddress testLab(const PgCluster &pg)
{
    return {QStringLiteral("127.0.0.1"), pg.port(), false};
}
