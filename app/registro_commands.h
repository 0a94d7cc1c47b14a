// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server.h"

#include <QDate>
#include <QString>
#include <QStringList>

class QCommandLineOption;
class QCommandLineParser;

// What dieci-registro's options do, one function each; each returns the
// program's exit status, having said why on standard error when it is not 0.
namespace cli {

int refuse(const QString &line);
// This computer's register: on a home shared by the lab, a file of its own.
QString homeRegister();
// What the teacher reads: every computer's file of this account.
QStringList homeRegisters();
int prepareServer(const QString &conninfo, const registro::server::LabAddress &address,
                  const QStringList &classes, bool newPasswords);
// A lab computer's settings, its server and what waits to be sent; 0 when all is well.
int verify(const QString &registerPath);
int deleteOnServer(const QString &conninfo, const QString &className, const QString &name);
// Whether the options ask for a report, which needs a QApplication.
bool wantsReport(int argc, char *argv[]);
int turnOn(const QString &path);
int deleteChild(const QString &path, const QString &name);
// Mends a child's name in every register of this account, or on the
// teacher's server in className.
int renameChild(const QString &server, const QString &className, const QString &from,
                const QString &to);
// The teacher's own server, when she has one, else this account's registers;
// className chooses one of the server's classes.
int print(const QString &path, const QString &pdf, const QString &name, const QString &server,
          const QString &className);
// What --adatta changes of a child's settings, each over what was set before.
struct AdaptOptions {
    const QCommandLineOption &length;
    const QCommandLineOption &practice;
    const QCommandLineOption &voice;
    const QCommandLineOption &contrast;
};
int adapt(const QString &path, const QString &name, const QCommandLineParser &parser,
          const AdaptOptions &options);
// The same on the teacher's own server, for a child of one of its classes.
int adaptOnServer(const QString &conninfo, const QString &className, const QString &name,
                  const QCommandLineParser &parser, const AdaptOptions &options);
// Reads a date option; false, having said why, when it is not a date.
bool dateOption(const QCommandLineParser &parser, const QCommandLineOption &option, QDate *date);

} // namespace cli
