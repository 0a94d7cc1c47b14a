// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's side of the class register: a window, or for scripts and the
// school's IT person two commands that need no display:
//   dieci-registro --attiva            turns the register on
//   dieci-registro --esporta FILE.csv  writes one row per answer
#include "qtservices.h"
#include "register.h"
#include "registerwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>

namespace {
QString homeRegister()
{
    return registro::registerPath(platform::userDataFolder() + u'/');
}

int commands(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dieci-registro"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Registro di dieci: le gare e le risposte dei bambini, su questo computer."));
    parser.addHelpOption();
    const QCommandLineOption on(
        QStringLiteral("attiva"),
        QStringLiteral("Attiva il registro: da ora dieci registra le gare."));
    const QCommandLineOption out(QStringLiteral("esporta"),
                                 QStringLiteral("Scrive una riga per ogni risposta in FILE (CSV)."),
                                 QStringLiteral("FILE"));
    parser.addOption(on);
    parser.addOption(out);
    parser.process(app);

    const QString path = homeRegister();
    QString error;
    if (parser.isSet(on)) {
        if (!QDir().mkpath(QFileInfo(path).path()) || !registro::createRegister(path, &error)) {
            std::fprintf(stderr, "dieci-registro: %s: %s\n", qPrintable(path), qPrintable(error));
            return 1;
        }
        std::printf("Registro attivo: %s\n", qPrintable(QDir::toNativeSeparators(path)));
    }
    if (parser.isSet(out) && !registro::exportCsv(path, parser.value(out), &error)) {
        std::fprintf(stderr, "dieci-registro: %s: %s\n", qPrintable(path), qPrintable(error));
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    // Any option is a command for a script, which may run where there is no display.
    if (argc > 1)
        return commands(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dieci-registro"));
    QApplication::setDesktopFileName(QStringLiteral("example.dieci.registro"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/registro/registro.svg")));
    registroui::RegisterWindow window(homeRegister());
    window.show();
    return QApplication::exec();
}
