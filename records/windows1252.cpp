// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows1252.h"

#include <QList>

#include <array>

namespace records {

namespace {
// 0x80..0x9F; the five bytes the code page leaves undefined map to the C1
// control of the same value, as Windows itself decodes them.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char encodeOne(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (std::size_t i = 0; i < High.size(); ++i)
        if (High[i] == c)
            return char(0x80 + i);
    return '?';
}
} // namespace

QByteArray encodeWindows1252(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char32_t c : text.toUcs4())
        out.append(encodeOne(c));
    return out;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        out.append(QChar(u >= 0x80 && u < 0xA0 ? High[u - 0x80] : char16_t(u)));
    }
    return out;
}

} // namespace records
