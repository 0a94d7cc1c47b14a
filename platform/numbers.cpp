// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbers.h"

#include "runtimeerror.h"

#include <QRegularExpression>

#include <cfenv>
#include <cmath>
#include <limits>

namespace platform {

QString formatNumber(double value, QStringView pattern)
{
    const auto minDigits = pattern.count(QLatin1Char('0'));
    const double rounded = std::round(value);
    QString digits = QString::number(std::fabs(rounded), 'f', 0);
    if (digits.size() < minDigits)
        digits.prepend(QString(minDigits - digits.size(), QLatin1Char('0')));
    if (rounded < 0)
        digits.prepend(QLatin1Char('-'));
    return digits;
}

namespace {
// The characters of the number the text starts with, as toDouble() reads them.
QString leadingNumberText(QStringView text)
{
    auto skippable = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; };
    QString number;
    bool digits = false, point = false, exponent = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (skippable(c))
            continue;
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
        } else if ((c == u'+' || c == u'-') && (number.isEmpty() || number.back() == u'e')) {
        } else if (c == u'.' && !point && !exponent) {
            point = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && digits && !exponent) {
            exponent = true;
            number += u'e';
            continue;
        } else {
            break;
        }
        number += c;
    }
    // An exponent marker with nothing after it counts for nothing.
    while (!number.isEmpty() &&
           (number.back() == u'e' || number.back() == u'+' || number.back() == u'-'))
        number.chop(1);
    return number;
}

// Whether a number that toDouble() could not hold is too large (rather than
// too small): its leading digit's power of ten plus its exponent is positive.
bool overflows(const QString &number)
{
    const qsizetype e = number.indexOf(u'e');
    const QString mantissa = number.left(e < 0 ? number.size() : e);
    double power = e < 0 ? 0 : number.mid(e + 1).toDouble();
    const qsizetype point = mantissa.indexOf(u'.') < 0 ? mantissa.size() : mantissa.indexOf(u'.');
    for (qsizetype i = 0; i < mantissa.size(); ++i) {
        if (mantissa[i] >= u'1' && mantissa[i] <= u'9')
            return power + double(i < point ? point - i - 1 : point - i) > 0;
    }
    return false; // all zeros
}
} // namespace

double leadingNumber(QStringView text)
{
    bool ok = false;
    const double value = leadingNumberText(text).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

double leadingNumberOrInfinity(QStringView text)
{
    const QString number = leadingNumberText(text);
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (ok && std::isfinite(value))
        return value;
    if (!overflows(number))
        return 0.0;
    return number.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::infinity();
}

double strictNumber(QStringView text)
{
    static const QRegularExpression numeric(
        QStringLiteral(R"(^[ \t]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eEdD][+-]?[0-9]+)?[ \t]*$)"));
    if (!numeric.match(text.toString()).hasMatch())
        raiseTypeMismatch(text);
    QString normal = text.trimmed().toString();
    normal.replace(u'd', u'e').replace(u'D', u'e');
    bool ok = false;
    const double value = normal.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        raiseOverflow();
    return value;
}

namespace {
// The one range check of every 16-bit result.
std::int16_t checked(double whole)
{
    if (!(whole >= std::numeric_limits<std::int16_t>::min() &&
          whole <= std::numeric_limits<std::int16_t>::max()))
        raiseOverflow();
    return static_cast<std::int16_t>(whole);
}
} // namespace

std::int16_t toInt16(double value)
{
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return checked(rounded);
}

std::int16_t add16(std::int16_t a, std::int16_t b)
{
    return checked(int(a) + int(b));
}
std::int16_t sub16(std::int16_t a, std::int16_t b)
{
    return checked(int(a) - int(b));
}
std::int16_t mul16(std::int16_t a, std::int16_t b)
{
    return checked(int(a) * int(b));
}

} // namespace platform
