// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

// A private PostgreSQL 15 cluster for one test program: its own folder, its
// own port on 127.0.0.1, started and stopped by this object (by PID), never
// the system's. PostgreSQL refuses root, so as root it runs as "postgres".
class PgCluster {
public:
    PgCluster();
    ~PgCluster();

    // Empty when it runs; else why not (PostgreSQL missing, initdb failed ...).
    QString start();
    // Stops the server by its PID and waits for it to be gone.
    bool stop();
    // Starts it again after stop(), on the same port.
    QString startServerAgain() { return startServer(false); }
    bool running() const { return m_pid > 0; }

    int port() const { return m_port; }
    // The superuser's connection string to a database (made when missing).
    QString ownerConnInfo(const QString &dbname);
    // Runs SQL as the superuser with psql; its output, unaligned, or "ERROR: ..." lines.
    QString psql(const QString &dbname, const QString &sql) const;

    static QString binDir();
    // Where the server writes its log.
    QString logPath() const { return m_data + QStringLiteral("/log"); }

private:
    QString run(const QStringList &command, QString *output = nullptr) const;
    QString startServer(bool newPort = true);

    QTemporaryDir m_tmp;
    QString m_data;
    QString m_password = QStringLiteral("segreto-di-prova");
    int m_port = 0;
    qint64 m_pid = 0;
};
