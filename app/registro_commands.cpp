// SPDX-License-Identifier: GPL-3.0-or-later
#include "registro_commands.h"

#include "filesystems.h"
#include "paths.h"
#include "pq.h"
#include "register.h"
#include "registerwindow.h"
#include "server.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QSysInfo>

#include <cstdio>

namespace cli {

int refuse(const QString &line)
{
    std::fprintf(stderr, "dieci-registro: %s\n", qPrintable(line));
    return 1;
}

namespace {
QString homeFolder()
{
    return platform::userDataFolder() + u'/';
}
} // namespace

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

int prepareServer(const QString &conninfo, const registro::server::LabAddress &address,
                  const QStringList &classes, bool newPasswords)
{
    const registro::server::Prepared p =
        registro::server::prepare(conninfo, address, classes, newPasswords);
    if (!p.error.isEmpty())
        return refuse(QStringLiteral("server: %1").arg(p.error));
    std::printf("# Classi della scuola: %s\n",
                p.classes.isEmpty() ? "nessuna (aggiungerle con --classe)"
                                    : qPrintable(p.classes.join(QStringLiteral(", "))));
    if (p.passwordsKept) {
        // The server keeps no copy of them: the blocks printed the first time still hold.
        std::printf("# Le password dei due ruoli restano quelle di prima: valgono i blocchi "
                    "stampati la prima volta. Per password nuove: --nuove-password.\n");
        return 0;
    }
    if (address.verifyTls)
        std::printf("# Su ogni computer, accanto alle impostazioni: %s, una copia del certificato "
                    "del server (quello di ssl_cert_file)\n",
                    registro::server::CertificatePath);
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
    const std::unique_ptr<registro::server::Pq> db = registro::server::Pq::open(conninfo);
    QString why = db->error();
    int races = -1;
    if (why.isEmpty())
        races = registro::server::deleteChild(*db, className.trimmed(), name, &why);
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

int renameChild(const QString &server, const QString &className, const QString &from,
                const QString &to)
{
    if (to.trimmed().isEmpty())
        return refuse(QStringLiteral("--rinomina %1: manca il nome giusto (dieci-registro "
                                     "--rinomina VECCHIO NUOVO)")
                          .arg(from));
    int moved = 0;
    if (!server.isEmpty()) {
        if (className.trimmed().isEmpty())
            return refuse(QStringLiteral("--rinomina %1: sul server della scuola serve anche "
                                         "--classe")
                              .arg(from));
        const std::unique_ptr<registro::server::Pq> db = registro::server::Pq::open(server);
        QString why = db->error();
        if (why.isEmpty())
            moved = registro::server::renameChild(*db, className.trimmed(), from, to, &why);
        if (!why.isEmpty())
            return refuse(QStringLiteral("server: %1").arg(why));
    }
    for (const QString &path : server.isEmpty() ? homeRegisters() : QStringList()) {
        registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
        const int races = reg.isOpen() ? reg.renameChild(from, to) : -1;
        if (races < 0)
            return refuse(reg.problem());
        moved += races;
    }
    std::printf("%s ora si chiama %s (%s)\n", qPrintable(from), qPrintable(to.trimmed()),
                qPrintable(moved == 1 ? QStringLiteral("1 gara spostata")
                                      : QStringLiteral("%1 gare spostate").arg(moved)));
    return 0;
}

// The report the window prints, for the class and, with a name, for her too.
int print(const QString &path, const QString &pdf, const QString &name, const QString &server,
          const QString &className)
{
    if (const registro::Register reg = registro::Register::open(path, registro::Access::ReadOnly);
        server.isEmpty() && !reg.isOpen())
        return refuse(reg.problem());
    // With the teacher's own server, the window opens on it, as on her desktop.
    registroui::RegisterWindow window(path);
    if (!server.isEmpty() && !window.onServer())
        return refuse(window.notice()->text());
    if (!server.isEmpty() && !className.isEmpty() && !window.showClass(className.trimmed()))
        return refuse(QStringLiteral("--classe %1: %2").arg(className, window.notice()->text()));
    if (!window.choose(name))
        return refuse(QStringLiteral("nessun bambino di nome %1 nel registro %2")
                          .arg(name, server.isEmpty() ? path : QStringLiteral("della scuola")));
    QFile::remove(pdf);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    window.printTo(printer, !name.isEmpty());
    if (QFileInfo(pdf).size() == 0)
        return refuse(QStringLiteral("%1: impossibile scrivere il file").arg(pdf));
    return 0;
}

namespace {
// A sì|no option into *on; false, having said why, when it is neither.
bool yesNo(const QCommandLineParser &parser, const QCommandLineOption &option, bool *on)
{
    if (!parser.isSet(option))
        return true;
    const QString value = parser.value(option).trimmed().toLower();
    if (value != QStringLiteral("sì") && value != QLatin1String("si") &&
        value != QLatin1String("no"))
        return refuse(QStringLiteral("--%1 %2: si scrive sì o no")
                          .arg(option.names().constFirst(), parser.value(option))) == 0;
    *on = value != QLatin1String("no");
    return true;
}

// The options given over the settings made before; false, having said why.
bool wantedRace(const QCommandLineParser &parser, const AdaptOptions &o, const QString &name,
                registro::Adaptation *a)
{
    if (parser.isSet(o.length)) {
        bool whole = false;
        a->minutes = parser.value(o.length).toInt(&whole);
        if (!whole || a->minutes < 0 || a->minutes > 20)
            return refuse(QStringLiteral("--durata %1: i minuti vanno da 0 (senza tempo) a 20")
                              .arg(parser.value(o.length))) == 0;
    }
    if (!yesNo(parser, o.practice, &a->practice) || !yesNo(parser, o.voice, &a->voice) ||
        !yesNo(parser, o.contrast, &a->contrast))
        return false;
    for (const QCommandLineOption *option : {&o.length, &o.practice, &o.voice, &o.contrast})
        if (parser.isSet(*option))
            return true;
    return refuse(QStringLiteral("--adatta %1: manca --durata MINUTI, --allenamento sì|no, "
                                 "--voce sì|no o --contrasto sì|no")
                      .arg(name)) == 0;
}

int told(const QString &name, const registro::Adaptation &a)
{
    const QString aids = a.aids();
    const QString race = a.standard() ? QStringLiteral("la gara di tutti") : a.describe();
    std::printf("%s: %s\n", qPrintable(name),
                qPrintable(aids.isEmpty() ? race : QStringLiteral("%1; %2").arg(race, aids)));
    return 0;
}
} // namespace

// The race the teacher sets for one child, who need not have raced yet.
int adapt(const QString &path, const QString &name, const QCommandLineParser &parser,
          const AdaptOptions &options)
{
    if (!QFileInfo::exists(path))
        return refuse(
            QStringLiteral("%1: il registro non è attivo (dieci-registro --attiva)").arg(path));
    registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
    if (!reg.isOpen())
        return refuse(reg.problem());
    registro::Adaptation a = reg.adaptation(name);
    if (!wantedRace(parser, options, name, &a))
        return 1;
    if (const QString why = reg.setAdaptation(name, a); !why.isEmpty())
        return refuse(QStringLiteral("%1: %2").arg(path, why));
    return told(name, a);
}

// On the school's server, for a child of a class the school declared: she
// finds it on whichever computer of the lab she plays.
int adaptOnServer(const QString &conninfo, const QString &className, const QString &name,
                  const QCommandLineParser &parser, const AdaptOptions &options)
{
    const QString klass = className.trimmed();
    if (klass.isEmpty())
        return refuse(
            QStringLiteral("--adatta %1: sul server della scuola serve anche --classe").arg(name));
    const registro::server::ChildRace before = registro::server::raceOf(conninfo, klass, name);
    if (!before.why.isEmpty())
        return refuse(QStringLiteral("server: %1").arg(before.why));
    registro::Adaptation a = before.race;
    if (!wantedRace(parser, options, name, &a))
        return 1;
    const std::unique_ptr<registro::server::Pq> db = registro::server::Pq::open(conninfo);
    QString why = db->error();
    if (why.isEmpty()) {
        if (!registro::server::classDeclared(*db, klass, &why) && why.isEmpty())
            why = QStringLiteral("la classe %1 non è tra quelle della scuola (si aggiunge con "
                                 "dieci-registro --prepara-server … --classe %1)")
                      .arg(klass);
        if (why.isEmpty())
            why = registro::server::setRace(*db, klass, name, a);
    }
    if (!why.isEmpty())
        return refuse(QStringLiteral("server: %1").arg(why));
    return told(name, a);
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

} // namespace cli
