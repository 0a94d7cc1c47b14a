// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// A wave file's sound as 16-bit samples, interleaved by channel.
struct WavSound {
    int channels = 0;
    int sampleRate = 0;
    std::vector<std::int16_t> samples;
};

// Reads any PCM wave file a recorder makes: integer samples of 8, 16, 24 or 32
// bits, or floating-point samples of 32 or 64 bits, plain or "extensible",
// mono or stereo. On failure says why, in Italian, for the one line the
// teacher sees.
std::optional<WavSound> decodeWav(QByteArrayView bytes, QString *why);

// A plain 16-bit PCM wave file.
QByteArray encodeWav16(const WavSound &sound);

// Plain PCM of 8 or 16 bits: the only kind the sound player decodes itself.
bool playsAsIs(QByteArrayView bytes);

} // namespace platform
