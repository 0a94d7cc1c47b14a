// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's side of the class register: a window, or for scripts and the
// school's IT person commands that need no display:
//   dieci-registro --attiva            turns the register on
//   dieci-registro --esporta FILE.csv [--nome NOME] [--dal AAAA-MM-GG] [--al AAAA-MM-GG]
//   dieci-registro --cancella NOME     deletes one child's races and answers
//   dieci-registro --stampa FILE.pdf [--nome NOME]   the window's report, as a PDF
//   dieci-registro --adatta NOME [--durata MINUTI] [--allenamento sì|no]   her race
//   dieci-registro --rinomina VECCHIO NUOVO   mends a child's name, or merges two
//   dieci-registro --prepara-server CONNINFO   sets up the school's PostgreSQL database
// With a school server in the account's own settings, --esporta and --stampa
// (optionally with --classe), --cancella and --adatta (with --classe) work on
// the server.
// With no option it opens the window.
#include "labsettings.h"
#include "registerwindow.h"
#include "registro_commands.h"
#include "server.h"
#include "translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <csignal>
#include <cstdio>

namespace {
using namespace cli;

// Every option, with its Italian help.
struct Options {
    // Qt's own help option says its text in English whatever the language.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Mostra questo aiuto.")};
    QCommandLineOption on{QStringLiteral("attiva"),
                          QStringLiteral("Attiva il registro: da ora dieci registra le gare.")};
    QCommandLineOption out{QStringLiteral("esporta"),
                           QStringLiteral("Scrive una riga per ogni risposta in FILE (CSV)."),
                           QStringLiteral("FILE")};
    QCommandLineOption name{QStringLiteral("nome"),
                            QStringLiteral("Con --esporta: solo le risposte di NOME; con --stampa: "
                                           "solo la sua pagina, per la famiglia."),
                            QStringLiteral("NOME")};
    QCommandLineOption from{QStringLiteral("dal"),
                            QStringLiteral("Con --esporta: dal giorno DATA compreso."),
                            QStringLiteral("AAAA-MM-GG")};
    QCommandLineOption to{QStringLiteral("al"),
                          QStringLiteral("Con --esporta: fino al giorno DATA compreso."),
                          QStringLiteral("AAAA-MM-GG")};
    QCommandLineOption erase{QStringLiteral("cancella"),
                             QStringLiteral("Cancella le gare e le risposte di NOME."),
                             QStringLiteral("NOME")};
    QCommandLineOption report{
        QStringLiteral("stampa"),
        QStringLiteral("Scrive in FILE (PDF) la pagina della classe; con --nome quella di un "
                       "bambino per la famiglia."),
        QStringLiteral("FILE")};
    QCommandLineOption rename{
        QStringLiteral("rinomina"),
        QStringLiteral("Dà a VECCHIO il nome NUOVO (scritto dopo), anche per le gare future; se "
                       "NUOVO è già un bambino, le gare dei due si uniscono."),
        QStringLiteral("VECCHIO")};
    QCommandLineOption adaptFor{
        QStringLiteral("adatta"),
        QStringLiteral("Imposta la gara di NOME, con --durata, --allenamento, --voce e "
                       "--contrasto (sul server della scuola anche con --classe)."),
        QStringLiteral("NOME")};
    QCommandLineOption length{
        QStringLiteral("durata"),
        QStringLiteral("Con --adatta: i minuti della gara, da 1 a 20, o 0 senza tempo."),
        QStringLiteral("MINUTI")};
    QCommandLineOption practice{
        QStringLiteral("allenamento"),
        QStringLiteral("Con --adatta: sì, domande sui fatti da imparare; no, come tutti."),
        QStringLiteral("sì|no")};
    QCommandLineOption voice{
        QStringLiteral("voce"),
        QStringLiteral("Con --adatta: sì, dieci legge ad alta voce (sintesi vocale); no, tace."),
        QStringLiteral("sì|no")};
    QCommandLineOption contrast{
        QStringLiteral("contrasto"),
        QStringLiteral("Con --adatta: sì, colori ad alto contrasto; no, i colori di sempre."),
        QStringLiteral("sì|no")};
    QCommandLineOption prepare{
        QStringLiteral("prepara-server"),
        QStringLiteral("Prepara il database della scuola (PostgreSQL) raggiunto con CONNINFO "
                       "come suo proprietario e stampa le impostazioni da copiare."),
        QStringLiteral("CONNINFO")};
    QCommandLineOption inClass{QStringLiteral("classe"),
                               QStringLiteral("Sul server della scuola: solo la classe CLASSE; con "
                                              "--prepara-server: una classe della scuola (anche "
                                              "più volte)."),
                               QStringLiteral("CLASSE")};
    QCommandLineOption address{
        QStringLiteral("indirizzo"),
        QStringLiteral("Con --prepara-server: il nome (e la porta, NOME:PORTA) con cui i computer "
                       "del laboratorio raggiungono il server."),
        QStringLiteral("NOME")};
    QCommandLineOption noTls{
        QStringLiteral("senza-tls"),
        QStringLiteral("Con --prepara-server: impostazioni senza TLS, solo per prove su una rete "
                       "di cui ci si fida.")};
    QCommandLineOption check{
        QStringLiteral("verifica"),
        QStringLiteral("Su un computer del laboratorio: quali impostazioni legge, se il server "
                       "risponde e lo controlla, se le gare possono partire.")};
    QCommandLineOption newPasswords{
        QStringLiteral("nuove-password"),
        QStringLiteral("Con --prepara-server: nuove password per i due ruoli (da copiare di "
                       "nuovo su ogni computer).")};

    AdaptOptions adaptOptions() const { return {length, practice, voice, contrast}; }
};

// --prepara-server, with where the lab's computers find the server.
int prepare(const QCommandLineParser &parser, const Options &o)
{
    registro::server::LabAddress lab;
    lab.host = parser.value(o.address).trimmed();
    // NOME:PORTA, unless the name is an IPv6 address of its own.
    if (const qsizetype colon = lab.host.lastIndexOf(u':');
        colon > 0 && lab.host.count(u':') == 1) {
        bool number = false;
        lab.port = lab.host.mid(colon + 1).toInt(&number);
        if (!number || lab.port < 1 || lab.port > 65535)
            return refuse(QStringLiteral("--indirizzo %1: porta non valida").arg(lab.host));
        lab.host.truncate(colon);
    }
    lab.verifyTls = !parser.isSet(o.noTls);
    return prepareServer(parser.value(o.prepare), lab, parser.values(o.inClass),
                         parser.isSet(o.newPasswords));
}

// --esporta: this account's registers, or the teacher's class on the server.
int exportTo(const QCommandLineParser &parser, const Options &o, const QString &server)
{
    registro::ExportFilter filter{parser.value(o.name), {}, {}};
    if (!dateOption(parser, o.from, &filter.from) || !dateOption(parser, o.to, &filter.to))
        return 1;
    if (const QString error =
            server.isEmpty() ? registro::exportCsv(homeRegisters(), parser.value(o.out), filter)
                             : registro::server::exportCsv(server, parser.value(o.out), filter,
                                                           parser.value(o.inClass).trimmed());
        !error.isEmpty())
        return refuse(error);
    return 0;
}

// What --help lists, in Italian.
void addOptions(QCommandLineParser &parser, const Options &o)
{
    parser.setApplicationDescription(
        QStringLiteral("Registro di dieci: le gare e le risposte dei bambini, su questo computer "
                       "o sul server della scuola."));
    parser.addPositionalArgument(QStringLiteral("NUOVO"),
                                 QStringLiteral("Con --rinomina: il nome giusto."),
                                 QStringLiteral("[NUOVO]"));
    parser.addOptions({o.help,    o.on,       o.out,    o.name,         o.from,
                       o.to,      o.erase,    o.rename, o.report,       o.adaptFor,
                       o.length,  o.practice, o.voice,  o.contrast,     o.prepare,
                       o.inClass, o.address,  o.noTls,  o.newPasswords, o.check});
}

// What changes the register or reads it, in this order: turn on, set a
// race, delete, print, export; the first that fails ends the run.
int changes(const QCommandLineParser &parser, const Options &o, const QString &server)
{
    const QString path = homeRegister();
    if (parser.isSet(o.on))
        if (const int status = turnOn(path))
            return status;
    if (parser.isSet(o.adaptFor))
        if (const int status =
                server.isEmpty()
                    ? adapt(path, parser.value(o.adaptFor), parser, o.adaptOptions())
                    : adaptOnServer(server, parser.value(o.inClass), parser.value(o.adaptFor),
                                    parser, o.adaptOptions()))
            return status;
    if (parser.isSet(o.rename))
        if (const int status = renameChild(server, parser.value(o.inClass), parser.value(o.rename),
                                           parser.positionalArguments().value(0)))
            return status;
    if (parser.isSet(o.erase))
        if (const int status = server.isEmpty() ? deleteChild(path, parser.value(o.erase))
                                                : deleteOnServer(server, parser.value(o.inClass),
                                                                 parser.value(o.erase)))
            return status;
    if (parser.isSet(o.report))
        if (const int status = print(path, parser.value(o.report), parser.value(o.name), server,
                                     parser.value(o.inClass)))
            return status;
    if (parser.isSet(o.out))
        return exportTo(parser, o, server);
    return 0;
}

int commands(QCoreApplication &app)
{
    platform::installItalianQt(app);
    QCoreApplication::setApplicationName(QStringLiteral("dieci-registro"));
    QCommandLineParser parser;
    const Options o;
    addOptions(parser, o);
    parser.process(app);
    if (parser.isSet(o.help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(o.prepare))
        return prepare(parser, o);
    if (parser.isSet(o.check))
        return verify(homeRegister());
    // The teacher's own server; the lab's names the children's, which cannot read.
    const QString server = platform::readLabSettings().ownServer;
    if (parser.isSet(o.inClass) && server.isEmpty())
        return refuse(QStringLiteral("--classe: nessun server della scuola nelle impostazioni di "
                                     "questo account (%1)")
                          .arg(platform::ownSettingsPath()));
    return changes(parser, o, server);
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
    registroui::RegisterWindow window(homeRegister(), nullptr,
                                      registroui::RegisterWindow::Showing::AtOnce);
    return QApplication::exec();
}
