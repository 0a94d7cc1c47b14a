// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classdata.h"
#include "register.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace registroui {

// What one reading of a class gives the teacher's window.
struct ClassLoad {
    QList<registro::Child> children;
    QStringList problems; // for the notice line
    bool readable = true; // false: nothing could be read, which is not an empty class
    QStringList writable; // the registers that can be changed (this account's only)
    bool recordingOn = false;
    // Whether a child's races can be deleted here; if not, why, for the menu.
    bool changeable = true;
    QString unchangeable;
    // Why a child's race cannot be set here, for its controls; empty when it can.
    QString unsettable;
};

// Where the teacher's window reads a class and changes it: this account's
// registers, or one class on the school's server. The window does not ask
// which: it shows what load() gives and hands every change here.
class ClassSource {
public:
    virtual ~ClassSource() = default;
    // Reads the class on connections of its own: it may run on any thread.
    virtual ClassLoad load() const = 0;
    // Said after the question before a child's races are deleted.
    virtual QString deleteWarning() const = 0;
    // Deletes a child's races: the lines that say what stays, none when all went.
    virtual QStringList deleteChild(const QString &name) const = 0;
    // Puts a child under another name, hers from now on, or merges her into
    // another child: the lines that say what could not be changed.
    virtual QStringList renameChild(const QString &from, const QString &to) const = 0;
    // Writes the CSV of this class; empty on success, else why. rows counts
    // the answers written.
    virtual QString exportCsv(const QString &csv, const registro::ExportFilter &filter,
                              qint64 *rows) const = 0;
    // Keeps the race the teacher set for a child, for her next race: empty on
    // success, else why. A register may stay open from one step to the next.
    virtual QString setRace(const QString &name, const registro::Adaptation &race) = 0;
};

// These registers merged; home is the account's own, which may record.
std::unique_ptr<ClassSource> localRegisters(const QStringList &paths, const QString &home);
// One class on the school's server, reached with the teacher's connection string.
std::unique_ptr<ClassSource> schoolClass(const QString &conninfo, const QString &className);

} // namespace registroui
