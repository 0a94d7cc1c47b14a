// SPDX-License-Identifier: GPL-3.0-or-later
#include "pgcluster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {
// A port nobody listens on now; PostgreSQL takes it right after.
int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &size) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

bool asRoot()
{
    return geteuid() == 0;
}
} // namespace

PgCluster::PgCluster() = default;

PgCluster::~PgCluster()
{
    stop();
}

QString PgCluster::binDir()
{
    return QStringLiteral("/usr/lib/postgresql/15/bin");
}

QString PgCluster::run(const QStringList &command, QString *output) const
{
    QStringList args = command;
    QString program = args.takeFirst();
    if (asRoot()) {
        args = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                           program} +
               args;
        program = QStringLiteral("runuser");
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(-1))
        return program + QStringLiteral(": ") + p.errorString();
    p.waitForFinished(-1);
    const QString text = QString::fromLocal8Bit(p.readAll());
    if (output)
        *output = text;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("%1 %2: %3").arg(program, args.join(u' '), text.trimmed());
    return {};
}

QString PgCluster::start()
{
    if (!QFileInfo::exists(binDir() + QStringLiteral("/initdb")))
        return QStringLiteral("PostgreSQL 15 is not installed (%1/initdb)").arg(binDir());
    if (!m_tmp.isValid())
        return QStringLiteral("no temporary folder");
    m_data = m_tmp.path() + QStringLiteral("/pg");
    QDir().mkpath(m_data);
    const QString pwfile = m_tmp.path() + QStringLiteral("/pw");
    QFile pw(pwfile);
    if (!pw.open(QIODevice::WriteOnly) || pw.write(m_password.toUtf8()) < 0)
        return QStringLiteral("cannot write %1").arg(pwfile);
    pw.close();
    if (asRoot()) {
        const passwd *postgres = getpwnam("postgres");
        if (!postgres)
            return QStringLiteral("no postgres user to run the cluster as");
        for (const QString &path : {m_tmp.path(), m_data, pwfile})
            if (chown(QFile::encodeName(path).constData(), postgres->pw_uid, postgres->pw_gid) != 0)
                return QStringLiteral("cannot give %1 to postgres").arg(path);
    }
    if (QString why = run(
            {binDir() + QStringLiteral("/initdb"), QStringLiteral("-D"), m_data,
             QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("--auth-local=trust"),
             QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("--pwfile=") + pwfile,
             QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-sync")});
        !why.isEmpty())
        return why;
    return startServer();
}

QString PgCluster::startServer(bool newPort)
{
    QString why;
    // Another program may take the port between the look and the start.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (newPort || attempt > 0)
            m_port = newPort ? freePort() : m_port;
        why = run({binDir() + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_data,
                   QStringLiteral("-w"), QStringLiteral("-l"), m_data + QStringLiteral("/log"),
                   QStringLiteral("-o"),
                   QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                       .arg(m_port)
                       .arg(m_data),
                   QStringLiteral("start")});
        if (why.isEmpty())
            break;
    }
    if (!why.isEmpty())
        return why;
    QFile pidFile(m_data + QStringLiteral("/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return QStringLiteral("no postmaster.pid");
    m_pid = pidFile.readLine().trimmed().toLongLong();
    return m_pid > 0 ? QString() : QStringLiteral("no PID in postmaster.pid");
}

bool PgCluster::stop()
{
    if (m_pid <= 0)
        return true;
    // A fast shutdown: open connections are cut, as when a server goes down.
    if (kill(pid_t(m_pid), SIGINT) != 0 && errno != ESRCH)
        return false;
    // The postmaster is not our child: it is gone when signal 0 fails.
    for (int waited = 0; waited < 3000 && kill(pid_t(m_pid), 0) == 0; ++waited)
        QThread::msleep(10);
    const bool gone = kill(pid_t(m_pid), 0) != 0;
    if (gone)
        m_pid = 0;
    return gone;
}

QString PgCluster::ownerConnInfo(const QString &dbname)
{
    if (psql(QStringLiteral("postgres"),
             QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(dbname))
            .trimmed()
            .isEmpty())
        psql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(dbname));
    return QStringLiteral("host=127.0.0.1 port=%1 dbname=%2 user=postgres password=%3")
        .arg(m_port)
        .arg(dbname, m_password);
}

QString PgCluster::psql(const QString &dbname, const QString &sql) const
{
    QString output;
    run({binDir() + QStringLiteral("/psql"), QStringLiteral("-X"), QStringLiteral("-q"),
         QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-h"), m_data,
         QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-U"),
         QStringLiteral("postgres"), QStringLiteral("-d"), dbname, QStringLiteral("-c"), sql},
        &output);
    return output.trimmed();
}
