// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <stdexcept>

namespace platform {

// The program's run-time error: a failed operation abandons the notice being
// handled and is reported once, at the notice boundary, which ends the program.
class RunTimeError : public std::runtime_error {
public:
    RunTimeError(int number, const QString &description, const QString &detail = {});

    int number() const { return m_number; }
    QString description() const { return m_description; }
    QString detail() const { return m_detail; }
    // The text of the error report box.
    QString report() const;

private:
    int m_number;
    QString m_description;
    QString m_detail;
};

namespace errors {
inline constexpr int Overflow = 6;
inline constexpr int TypeMismatch = 13;
inline constexpr int PathFileAccess = 75;
inline constexpr int Internal = 51;
} // namespace errors

[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseTypeMismatch(QStringView text);
[[noreturn]] void raiseFileAccess(const QString &path, const QString &reason);
// A control the code asked for by a name the window does not have.
[[noreturn]] void raiseNoSuchControl(const char *name);

} // namespace platform
