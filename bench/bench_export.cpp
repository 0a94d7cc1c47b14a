// SPDX-License-Identifier: GPL-3.0-or-later
// Exporting a large register: time and peak memory of the export alone.
//   bench_export make REGISTER [answers]   builds a synthetic class (1,000,000 answers)
//   bench_export run REGISTER FILE.csv     exports it; peak memory is this process's
#include "register.h"
#include "syntheticclass.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString error;
    if (args.size() >= 3 && args[1] == "make") {
        const int answers = args.size() > 3 ? args[3].toInt() : 1'000'000;
        if (!makeSyntheticClass(args[2], answers, &error))
            return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
        std::printf("%d answers, %.1f MB\n", answers, double(QFileInfo(args[2]).size()) / 1e6);
        return 0;
    }
    if (args.size() != 4 || args[1] != "run")
        return std::fprintf(stderr, "usage: bench_export make|run REGISTER [answers|FILE.csv]\n"),
               2;
    QElapsedTimer t;
    t.start();
    error = registro::exportCsv(args[2], args[3]);
    if (!error.isEmpty())
        return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("export: %.1f s, %.1f MB written, peak memory %.0f MB\n", double(t.elapsed()) / 1e3,
                double(QFileInfo(args[3]).size()) / 1e6, double(usage.ru_maxrss) / 1024);
    return 0;
}
