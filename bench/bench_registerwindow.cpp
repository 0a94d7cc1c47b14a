// SPDX-License-Identifier: GPL-3.0-or-later
// How long the teacher waits for a large register to open: a class of 25
// children, 100,000 answers in all, from the file to the window with the class
// and the first child shown.
//   QT_QPA_PLATFORM=offscreen bench_registerwindow [answers]
#include "register.h"
#include "registerwindow.h"
#include "syntheticclass.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 100'000;
    QTemporaryDir dir;
    const QString path = registro::registerPath(dir.path() + u'/');
    QString error;
    if (!makeSyntheticClass(path, answers, &error))
        return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
    QElapsedTimer t;
    t.start();
    registroui::RegisterWindow window(path);
    window.show();
    QApplication::processEvents();
    std::printf("%d answers: the window shows the class and the first child in %lld ms\n", answers,
                static_cast<long long>(t.elapsed()));
    return 0;
}
