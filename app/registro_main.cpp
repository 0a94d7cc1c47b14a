// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's side of the class register. For now its two commands for
// scripts and the school's IT person:
//   dieci-registro --attiva            turns the register on
//   dieci-registro --esporta FILE.csv  writes one row per answer
#include "qtservices.h"
#include "register.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
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

    const QString dir = platform::userDataFolder() + u'/';
    const QString path = registro::registerPath(dir);
    QString error;
    if (parser.isSet(on)) {
        if (!QDir().mkpath(dir) || !registro::createRegister(path, &error)) {
            std::fprintf(stderr, "dieci-registro: %s: %s\n", qPrintable(path), qPrintable(error));
            return 1;
        }
        std::printf("Registro attivo: %s\n", qPrintable(QDir::toNativeSeparators(path)));
    }
    if (parser.isSet(out)) {
        if (!registro::exportCsv(path, parser.value(out), &error)) {
            std::fprintf(stderr, "dieci-registro: %s: %s\n", qPrintable(path), qPrintable(error));
            return 1;
        }
    }
    if (!parser.isSet(on) && !parser.isSet(out))
        parser.showHelp(0);
    return 0;
}
