// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <utility>

namespace platform {

// What the school's IT person set once for the whole lab, in the system file
// (/etc/xdg/dieci/dieci.conf, moved by XDG_CONFIG_DIRS), key by key
// overridden by the account's own ~/.config/dieci/dieci.conf. A file that
// cannot be read or is malformed counts as absent, with a line in problems,
// also said once a run on standard error.
struct LabSettings {
    bool recordAlways = false; // [registro] attivo: record without --attiva
    QString className;         // [registro] classe; the login name when unset
    QString server;            // [registro] server: a libpq connection string
    // The server as this account's own file names it: a teacher's, which may
    // read; the lab's file names the children's, which may only add.
    QString ownServer;
    QString soundFolder; // [suoni] cartella: the school's own sounds
    // [aiuti] voce, contrasto: every race on this computer (or account) read
    // aloud, or in colours of high contrast, whatever each child's settings.
    bool voice = false;
    bool contrast = false;
    QStringList problems;
    QStringList filesRead; // the files that counted, least important first
    // Which file each key that was set came from ("registro/server" ...).
    QList<std::pair<QString, QString>> keySources;
};

LabSettings readLabSettings();

// The account's own settings file.
QString ownSettingsPath();
// Stores the school's server for this account only, in a file no other
// account can read (it holds a password). Empty on success, else why not.
QString storeOwnServer(const QString &conninfo);

// The account's login name, or "" when the system does not know it.
QString loginName();

} // namespace platform
