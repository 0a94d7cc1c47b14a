// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
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

// Formats a whole number with a pattern of '0' (always a digit) and '#' (a
// significant digit only): "00", "#0", "###0", "####0".
QString formatNumber(double value, QStringView pattern);

// The value of the number the text starts with; 0 when it starts with none.
// Spaces, tabs and line feeds are skipped; "12\r\n" is 12.
double leadingNumber(QStringView text);

// The whole text (spaces and tabs around it aside) must be a number, or the
// run-time error "type mismatch" is raised.
double strictNumber(QStringView text);

// Rounds halves to the even neighbour; outside the 16-bit range raises Overflow.
std::int16_t toInt16(double value);

// 16-bit signed arithmetic; a result out of range raises Overflow.
std::int16_t add16(std::int16_t a, std::int16_t b);
std::int16_t sub16(std::int16_t a, std::int16_t b);
std::int16_t mul16(std::int16_t a, std::int16_t b);

} // namespace platform
