// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's side of the class register: a window, or for scripts and the
// school's IT person commands that need no display:
//   dieci-registro --attiva            turns the register on
//   dieci-registro --esporta FILE.csv [--nome NOME] [--dal AAAA-MM-GG] [--al AAAA-MM-GG]
//   dieci-registro --cancella NOME     deletes one child's races and answers
//   dieci-registro --stampa FILE.pdf [--nome NOME]   the window's report, as a PDF
//   dieci-registro --adatta NOME [--durata MINUTI] [--allenamento sì|no]   her race
//   dieci-registro --prepara-server CONNINFO   sets up the school's PostgreSQL database
// With a school server in the account's own settings, --esporta (optionally
// with --classe) and --cancella (with --classe) work on the server.
// With no option it opens the window.
#include "filesystems.h"
#include "labsettings.h"
#include "paths.h"
#include "register.h"
#include "registerwindow.h"
#include "server.h"
#include "translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPrinter>
#include <QSqlDatabase>
#include <QSysInfo>
#include <QTableWidget>

#include <csignal>
#include <cstdio>

namespace {
int refuse(const QString &line)
{
    std::fprintf(stderr, "dieci-registro: %s\n", qPrintable(line));
    return 1;
}

QString homeFolder()
{
    return platform::userDataFolder() + u'/';
}

// This computer's register: on a home shared by the lab, a file of its own.
QString homeRegister()
{
    const QString dir = homeFolder();
    return registro::ownRegisterPath(dir,
                                     platform::isNetworkFileSystem(platform::fileSystemTypeOf(dir)),
                                     QSysInfo::machineHostName());
}

// What the teacher reads: every computer's file of this account.
QStringList homeRegisters()
{
    const QStringList all = registro::registersIn(homeFolder());
    return all.isEmpty() ? QStringList{homeRegister()} : all;
}

int prepareServer(const QString &conninfo)
{
    const registro::server::Prepared p = registro::server::prepare(conninfo);
    if (!p.error.isEmpty())
        return refuse(QStringLiteral("server: %1").arg(p.error));
    std::printf("# /etc/xdg/dieci/dieci.conf (per tutto il laboratorio: i bambini possono solo "
                "aggiungere gare)\n%s\n"
                "# ~/.config/dieci/dieci.conf (solo nell'account dell'insegnante, chmod 600)\n%s",
                qPrintable(p.labBlock), qPrintable(p.teacherBlock));
    return 0;
}

int deleteOnServer(const QString &conninfo, const QString &className, const QString &name)
{
    if (className.trimmed().isEmpty())
        return refuse(QStringLiteral("--cancella %1: sul server della scuola serve anche --classe")
                          .arg(name));
    const QString connection = QStringLiteral("dieci-cancella");
    QString why = registro::server::connect(conninfo, connection);
    int races = -1;
    if (why.isEmpty())
        races = registro::server::deleteChild(QSqlDatabase::database(connection, false),
                                              className.trimmed(), name, &why);
    QSqlDatabase::removeDatabase(connection);
    if (races < 0)
        return refuse(QStringLiteral("server: %1").arg(why));
    if (races == 0)
        return refuse(QStringLiteral("nessuna gara di %1 nella classe %2 sul server")
                          .arg(name, className.trimmed()));
    std::printf("Cancellate %d gare di %s (classe %s)\n", races, qPrintable(name),
                qPrintable(className.trimmed()));
    return 0;
}

bool wantsReport(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]).startsWith("--stampa"))
            return true;
    return false;
}

int turnOn(const QString &path)
{
    const registro::Register reg = registro::Register::create(path);
    if (!reg.isOpen())
        return refuse(reg.problem());
    std::printf("Registro attivo: %s\n", qPrintable(QDir::toNativeSeparators(path)));
    return 0;
}

int deleteChild(const QString &path, const QString &name)
{
    registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
    const int races = reg.isOpen() ? reg.deleteChild(name) : -1;
    if (races < 0)
        return refuse(reg.problem());
    if (races == 0)
        return refuse(QStringLiteral("nessuna gara di %1 nel registro %2").arg(name, path));
    std::printf("Cancellate %d gare di %s\n", races, qPrintable(name));
    return 0;
}

// The report the window prints, for the class and, with a name, for her too.
int print(const QString &path, const QString &pdf, const QString &name)
{
    if (const registro::Register reg = registro::Register::open(path, registro::Access::ReadOnly);
        !reg.isOpen())
        return refuse(reg.problem());
    registroui::RegisterWindow window(path);
    if (!window.choose(name))
        return refuse(QStringLiteral("nessun bambino di nome %1 nel registro %2").arg(name, path));
    QFile::remove(pdf);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    window.printTo(printer);
    if (QFileInfo(pdf).size() == 0)
        return refuse(QStringLiteral("%1: impossibile scrivere il file").arg(pdf));
    return 0;
}

// The race the teacher sets for one child, who need not have raced yet.
int adapt(const QString &path, const QString &name, const QCommandLineParser &parser,
          const QCommandLineOption &length, const QCommandLineOption &practice)
{
    if (!QFileInfo::exists(path))
        return refuse(
            QStringLiteral("%1: il registro non è attivo (dieci-registro --attiva)").arg(path));
    registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
    if (!reg.isOpen())
        return refuse(reg.problem());
    registro::Adaptation a = reg.adaptation(name);
    if (parser.isSet(length)) {
        bool whole = false;
        a.minutes = parser.value(length).toInt(&whole);
        if (!whole || a.minutes < 0 || a.minutes > 20)
            return refuse(QStringLiteral("--durata %1: i minuti vanno da 0 (senza tempo) a 20")
                              .arg(parser.value(length)));
    }
    if (parser.isSet(practice)) {
        const QString value = parser.value(practice).trimmed().toLower();
        if (value != QStringLiteral("sì") && value != QLatin1String("si") &&
            value != QLatin1String("no"))
            return refuse(
                QStringLiteral("--allenamento %1: si scrive sì o no").arg(parser.value(practice)));
        a.practice = value != QLatin1String("no");
    }
    if (!parser.isSet(length) && !parser.isSet(practice))
        return refuse(
            QStringLiteral("--adatta %1: manca --durata MINUTI o --allenamento sì|no").arg(name));
    if (const QString why = reg.setAdaptation(name, a); !why.isEmpty())
        return refuse(QStringLiteral("%1: %2").arg(path, why));
    std::printf("%s: %s\n", qPrintable(name),
                qPrintable(a.standard() ? QStringLiteral("la gara di tutti") : a.describe()));
    return 0;
}

// A date option: empty when not given; invalid exits with the reason.
bool dateOption(const QCommandLineParser &parser, const QCommandLineOption &option, QDate *date)
{
    if (!parser.isSet(option))
        return true;
    *date = QDate::fromString(parser.value(option), QStringLiteral("yyyy-MM-dd"));
    if (date->isValid())
        return true;
    refuse(QStringLiteral("--%1 %2: la data va scritta AAAA-MM-GG")
               .arg(option.names().first(), parser.value(option)));
    return false;
}

int commands(QCoreApplication &app)
{
    platform::installItalianQt(app);
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
    const QCommandLineOption name(
        QStringLiteral("nome"),
        QStringLiteral("Con --esporta: solo le risposte di NOME; con --stampa: "
                       "anche la sua pagina."),
        QStringLiteral("NOME"));
    const QCommandLineOption from(QStringLiteral("dal"),
                                  QStringLiteral("Con --esporta: dal giorno DATA compreso."),
                                  QStringLiteral("AAAA-MM-GG"));
    const QCommandLineOption to(QStringLiteral("al"),
                                QStringLiteral("Con --esporta: fino al giorno DATA compreso."),
                                QStringLiteral("AAAA-MM-GG"));
    const QCommandLineOption erase(QStringLiteral("cancella"),
                                   QStringLiteral("Cancella le gare e le risposte di NOME."),
                                   QStringLiteral("NOME"));
    const QCommandLineOption report(
        QStringLiteral("stampa"),
        QStringLiteral("Scrive in FILE (PDF) il rapporto della finestra; con --nome anche la "
                       "pagina di quel bambino."),
        QStringLiteral("FILE"));
    const QCommandLineOption adaptFor(
        QStringLiteral("adatta"),
        QStringLiteral("Imposta la gara di NOME, con --durata e --allenamento."),
        QStringLiteral("NOME"));
    const QCommandLineOption length(
        QStringLiteral("durata"),
        QStringLiteral("Con --adatta: i minuti della gara, da 1 a 20, o 0 senza tempo."),
        QStringLiteral("MINUTI"));
    const QCommandLineOption practice(
        QStringLiteral("allenamento"),
        QStringLiteral("Con --adatta: sì, domande sui fatti da imparare; no, come tutti."),
        QStringLiteral("sì|no"));
    const QCommandLineOption prepare(
        QStringLiteral("prepara-server"),
        QStringLiteral("Prepara il database della scuola (PostgreSQL) raggiunto con CONNINFO "
                       "come suo proprietario e stampa le impostazioni da copiare."),
        QStringLiteral("CONNINFO"));
    const QCommandLineOption inClass(
        QStringLiteral("classe"), QStringLiteral("Sul server della scuola: solo la classe CLASSE."),
        QStringLiteral("CLASSE"));
    parser.addOptions(
        {on, out, name, from, to, erase, report, adaptFor, length, practice, prepare, inClass});
    parser.process(app);
    if (parser.isSet(prepare))
        return prepareServer(parser.value(prepare));
    // The teacher's own server; the lab's names the children's, which cannot read.
    const platform::LabSettings settings = platform::readLabSettings();
    const QString server = settings.ownServer;
    if (parser.isSet(inClass) && server.isEmpty())
        return refuse(QStringLiteral("--classe: nessun server della scuola nelle impostazioni di "
                                     "questo account (%1)")
                          .arg(platform::ownSettingsPath()));

    const QString path = homeRegister();
    if (parser.isSet(on))
        if (const int status = turnOn(path))
            return status;
    if (parser.isSet(adaptFor))
        if (const int status = adapt(path, parser.value(adaptFor), parser, length, practice))
            return status;
    if (parser.isSet(erase))
        if (const int status = server.isEmpty() ? deleteChild(path, parser.value(erase))
                                                : deleteOnServer(server, parser.value(inClass),
                                                                 parser.value(erase)))
            return status;
    if (parser.isSet(report))
        if (const int status = print(path, parser.value(report), parser.value(name)))
            return status;
    if (parser.isSet(out)) {
        registro::ExportFilter filter{parser.value(name), {}, {}};
        if (!dateOption(parser, from, &filter.from) || !dateOption(parser, to, &filter.to))
            return 1;
        if (const QString error =
                server.isEmpty() ? registro::exportCsv(homeRegisters(), parser.value(out), filter)
                                 : registro::server::exportCsv(server, parser.value(out), filter,
                                                               parser.value(inClass).trimmed());
            !error.isEmpty())
            return refuse(error);
    }
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    // Past a file-size limit an export fails with its reason instead of a kill.
    std::signal(SIGXFSZ, SIG_IGN);
    // Any option is a command for a script, which may run where there is no display.
    if (argc > 1) {
        if (!wantsReport(argc, argv)) {
            QCoreApplication app(argc, argv);
            return commands(app);
        }
        // A report is drawn as the window draws it, on no screen at all.
        if (qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return commands(app);
    }
    QApplication app(argc, argv);
    platform::installItalianQt(app);
    QApplication::setApplicationName(QStringLiteral("dieci-registro"));
    QApplication::setDesktopFileName(QStringLiteral("example.dieci.registro"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/registro/registro.svg")));
    registroui::RegisterWindow window(homeRegister());
    window.show();
    return QApplication::exec();
}
