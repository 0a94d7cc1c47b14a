// SPDX-License-Identifier: GPL-3.0-or-later
#include "artwork.h"
#include "program.h"
#include "qtservices.h"
#include "school.h"
#include "translations.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // A lab's file-size limit must fail the write, which the error report then
    // names, rather than kill the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    platform::installItalianQt(app);
    QApplication::setApplicationName(QStringLiteral("dieci"));
    QApplication::setDesktopFileName(QStringLiteral("example.dieci.dieci"));
    // On the application, so the name box and every message box carry it too.
    QApplication::setWindowIcon(ui::artwork::windowIcon());

    platform::QtServices services(QStringLiteral("dieci"));
    drill::Program program(services);
    program.start();
    const int status = QApplication::exec();
    // A sender held by a silent server was let go: nothing may be torn down
    // under it.
    if (!program.school().finish(drill::SchoolLink::ExitPatience)) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
