// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace platform {

// Formats a whole number with a pattern of '0' (always a digit) and '#' (a
// significant digit only): "00", "#0", "###0", "####0".
QString formatNumber(double value, QStringView pattern);

// The value of the number the text starts with; 0 when it starts with none.
// Spaces, tabs and line feeds are skipped; "12\r\n" is 12.
double leadingNumber(QStringView text);
// The same reading, but a number too large for a double is an infinity of its
// sign rather than 0: a stored record that reads as huge is huge, on screen
// and in every comparison.
double leadingNumberOrInfinity(QStringView text);

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
