// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QSqlError;

namespace registro {

// What went wrong with a register, as a kind the code decides on; the text is
// only for people (Italian, one line) and is never matched.
enum class ErrorKind {
    None,
    Missing,      // no file at the path
    NotARegister, // some other file, or not a regular file
    Damaged,
    Busy,  // another program holds it: wait, then try again
    Newer, // written by a later version of dieci
    ReadOnly,
    Full,
    Io,
    Other,
};

struct Error {
    ErrorKind kind = ErrorKind::None;
    QString text;

    explicit operator bool() const { return kind != ErrorKind::None; }
    // A failure that goes away by itself once the other program is done.
    bool busy() const { return kind == ErrorKind::Busy; }
};

// The kind of a SQLite error, from its result code.
ErrorKind kindOf(const QSqlError &error);
Error errorOf(const QSqlError &error);

} // namespace registro
