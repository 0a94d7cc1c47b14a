// SPDX-License-Identifier: GPL-3.0-or-later
// A RIFF reader of our own: the sound player of Qt 6.4 decodes only 8- and
// 16-bit PCM, and fails later, asynchronously, on the 24-bit and float files
// that recorders usually make.
#include "wavfile.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
constexpr quint16 FormatPcm = 1, FormatFloat = 3, FormatExtensible = 0xFFFE;

struct Format {
    quint16 tag = 0;
    quint16 tagOnDisk = 0; // the extensible header's own tag
    int channels = 0;
    int rate = 0;
    int bits = 0;
    int blockAlign = 0;
};

struct Chunks {
    std::optional<Format> format;
    QByteArrayView data;
    bool hasData = false;
};

quint16 u16(QByteArrayView b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.data() + at);
}
quint32 u32(QByteArrayView b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.data() + at);
}

std::optional<Format> readFormat(QByteArrayView fmt)
{
    if (fmt.size() < 16)
        return std::nullopt;
    Format f{u16(fmt, 0), u16(fmt, 0), u16(fmt, 2), int(u32(fmt, 4)), u16(fmt, 14), u16(fmt, 12)};
    // The extensible header names the real format in its sub-format's first bytes.
    if (f.tag == FormatExtensible) {
        if (fmt.size() < 26)
            return std::nullopt;
        f.tag = u16(fmt, 24);
    }
    return f;
}

Chunks readChunks(QByteArrayView bytes)
{
    Chunks chunks;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArrayView id = bytes.sliced(at, 4);
        // A recorder cut short leaves a size larger than what follows.
        const qsizetype size = std::min<qsizetype>(u32(bytes, at + 4), bytes.size() - at - 8);
        const QByteArrayView body = bytes.sliced(at + 8, size);
        if (id == "fmt ")
            chunks.format = readFormat(body);
        else if (id == "data" && !chunks.hasData) {
            chunks.data = body;
            chunks.hasData = true;
        }
        at += 8 + size + (size & 1);
    }
    return chunks;
}

std::int16_t clamp16(double value)
{
    return std::int16_t(std::clamp(std::lround(value), -32768L, 32767L));
}

std::int16_t sampleAt(const char *p, const Format &f)
{
    if (f.tag == FormatFloat) {
        const double x =
            f.bits == 32 ? double(qFromLittleEndian<float>(p)) : qFromLittleEndian<double>(p);
        return std::isfinite(x) ? clamp16(x * 32767.0) : 0;
    }
    switch (f.bits) {
    case 8:
        return std::int16_t((int(quint8(*p)) - 128) * 256);
    case 16:
        return qFromLittleEndian<qint16>(p);
    case 24: {
        const qint32 v = qint32(quint32(quint8(p[0])) << 8 | quint32(quint8(p[1])) << 16 |
                                quint32(quint8(p[2])) << 24) >>
                         8;
        return clamp16(v / 256.0);
    }
    default:
        return clamp16(qFromLittleEndian<qint32>(p) / 65536.0);
    }
}

bool supported(const Format &f)
{
    if (f.tag == FormatPcm)
        return f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32;
    return f.tag == FormatFloat && (f.bits == 32 || f.bits == 64);
}
} // namespace

std::optional<WavSound> decodeWav(QByteArrayView bytes, QString *why)
{
    auto fail = [why](const char *reason) {
        if (why)
            *why = QString::fromUtf8(reason);
        return std::nullopt;
    };
    if (bytes.size() < 12 || bytes.first(4) != "RIFF" || bytes.sliced(8, 4) != "WAVE")
        return fail("non è un file WAV");
    const Chunks chunks = readChunks(bytes);
    if (!chunks.format || !chunks.hasData)
        return fail("file WAV incompleto");
    const Format &f = *chunks.format;
    if (!supported(*chunks.format))
        return fail("formato WAV non supportato (solo PCM a 8, 16, 24 o 32 bit, o in virgola "
                    "mobile)");
    if (f.channels < 1 || f.channels > 2 || f.rate < 8000 || f.rate > 192000)
        return fail("servono uno o due canali e da 8 a 192 kHz");
    const int width = f.bits / 8;
    if (f.blockAlign != width * f.channels)
        return fail("file WAV danneggiato");
    WavSound sound{f.channels, f.rate, {}};
    const qsizetype count = chunks.data.size() / f.blockAlign * f.channels;
    if (count == 0)
        return fail("file WAV senza suono");
    sound.samples.reserve(std::size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        sound.samples.push_back(sampleAt(chunks.data.data() + i * width, f));
    return sound;
}

QByteArray encodeWav16(const WavSound &sound)
{
    const auto dataBytes = quint32(sound.samples.size() * 2);
    QByteArray out(44, '\0');
    char *h = out.data();
    std::copy_n("RIFF", 4, h);
    qToLittleEndian<quint32>(36 + dataBytes, h + 4);
    std::copy_n("WAVEfmt ", 8, h + 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(FormatPcm, h + 20);
    qToLittleEndian<quint16>(quint16(sound.channels), h + 22);
    qToLittleEndian<quint32>(quint32(sound.sampleRate), h + 24);
    qToLittleEndian<quint32>(quint32(sound.sampleRate * sound.channels * 2), h + 28);
    qToLittleEndian<quint16>(quint16(sound.channels * 2), h + 32);
    qToLittleEndian<quint16>(16, h + 34);
    std::copy_n("data", 4, h + 36);
    qToLittleEndian<quint32>(dataBytes, h + 40);
    for (std::int16_t s : sound.samples) {
        char le[2];
        qToLittleEndian<qint16>(s, le);
        out.append(le, 2);
    }
    return out;
}

bool playsAsIs(QByteArrayView bytes)
{
    if (bytes.size() < 12 || bytes.first(4) != "RIFF" || bytes.sliced(8, 4) != "WAVE")
        return false;
    const Chunks chunks = readChunks(bytes);
    if (!chunks.format || !chunks.hasData)
        return false;
    const Format &f = *chunks.format;
    return f.tagOnDisk == FormatPcm && (f.bits == 8 || f.bits == 16);
}

} // namespace platform
