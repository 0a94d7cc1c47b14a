// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundfiles.h"
#include "wavfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

using platform::WavSound;

namespace {
// A wave file as a recorder writes it: the same tone quantized to the format.
QByteArray recording(int bits, bool floating, int channels, int rate, bool extensible)
{
    QByteArray data;
    const int frames = rate / 50;
    for (int i = 0; i < frames * channels; ++i) {
        const double x = 0.8 * std::sin(i * 0.05) * (i % 2 ? -1 : 1);
        char b[8];
        if (floating && bits == 32)
            qToLittleEndian<float>(float(x), b);
        else if (floating)
            qToLittleEndian<double>(x, b);
        else if (bits == 8)
            b[0] = char(std::lround(x * 127) + 128);
        else
            qToLittleEndian<qint64>(std::llround(x * (std::pow(2.0, bits - 1) - 1)), b);
        data.append(b, bits / 8);
    }
    QByteArray fmt(extensible ? 40 : 16, '\0');
    const quint16 tag = floating ? 3 : 1;
    qToLittleEndian<quint16>(extensible ? 0xFFFE : tag, fmt.data());
    qToLittleEndian<quint16>(quint16(channels), fmt.data() + 2);
    qToLittleEndian<quint32>(quint32(rate), fmt.data() + 4);
    qToLittleEndian<quint32>(quint32(rate * channels * bits / 8), fmt.data() + 8);
    qToLittleEndian<quint16>(quint16(channels * bits / 8), fmt.data() + 12);
    qToLittleEndian<quint16>(quint16(bits), fmt.data() + 14);
    if (extensible) {
        qToLittleEndian<quint16>(22, fmt.data() + 16);
        qToLittleEndian<quint16>(tag, fmt.data() + 24);
    }
    auto chunk = [](const char *id, const QByteArray &body) {
        QByteArray c(id, 4);
        char size[4];
        qToLittleEndian<quint32>(quint32(body.size()), size);
        return c + QByteArray(size, 4) + body;
    };
    const QByteArray body = "WAVE" + chunk("LIST", "INFOx") + QByteArray(1, '\0') +
                            chunk("fmt ", fmt) + chunk("data", data);
    return chunk("RIFF", body);
}
} // namespace

class TestSounds : public QObject {
    Q_OBJECT
private slots:
    void everyRecorderFormatDecodes_data();
    void everyRecorderFormatDecodes();
    void teachersRecordingComesFirst();
};

void TestSounds::everyRecorderFormatDecodes_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("floating");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("extensible");
    QTest::addColumn<int>("tolerance"); // from the 16-bit twin, in 16-bit steps
    QTest::newRow("8-bit mono 8 kHz") << 8 << false << 1 << 8000 << false << 400;
    QTest::newRow("16-bit stereo 44.1 kHz") << 16 << false << 2 << 44100 << false << 0;
    QTest::newRow("24-bit stereo 48 kHz") << 24 << false << 2 << 48000 << false << 1;
    QTest::newRow("24-bit extensible 96 kHz") << 24 << false << 2 << 96000 << true << 1;
    QTest::newRow("32-bit integer mono") << 32 << false << 1 << 22050 << false << 1;
    QTest::newRow("32-bit float stereo") << 32 << true << 2 << 48000 << false << 1;
    QTest::newRow("32-bit float extensible") << 32 << true << 1 << 44100 << true << 1;
    QTest::newRow("64-bit float") << 64 << true << 1 << 16000 << false << 1;
}

void TestSounds::everyRecorderFormatDecodes()
{
    QFETCH(int, bits);
    QFETCH(bool, floating);
    QFETCH(int, channels);
    QFETCH(int, rate);
    QFETCH(bool, extensible);
    QFETCH(int, tolerance);
    QString why;
    const auto twin = platform::decodeWav(recording(16, false, channels, rate, false), &why);
    const auto sound =
        platform::decodeWav(recording(bits, floating, channels, rate, extensible), &why);
    QVERIFY2(twin && sound, qPrintable(why));
    QCOMPARE(sound->channels, channels);
    QCOMPARE(sound->sampleRate, rate);
    QCOMPARE(sound->samples.size(), std::size_t(rate / 50 * channels));
    for (std::size_t i = 0; i < twin->samples.size(); ++i)
        QVERIFY2(std::abs(sound->samples[i] - twin->samples[i]) <= tolerance,
                 qPrintable(QString("sample %1: %2, twin %3")
                                .arg(i)
                                .arg(sound->samples[i])
                                .arg(twin->samples[i])));
    // The copy the player gets holds exactly these samples.
    const QByteArray copy = platform::encodeWav16(*sound);
    QVERIFY(platform::playsAsIs(copy));
    QCOMPARE(platform::decodeWav(copy, &why)->samples, sound->samples);
    QCOMPARE(platform::playsAsIs(recording(bits, floating, channels, rate, extensible)),
             !extensible && !floating && bits <= 16);
}

void TestSounds::teachersRecordingComesFirst()
{
    QTemporaryDir tmp;
    const QString installed = tmp.path() + "/suoni/no.wav";
    const QString mine = tmp.path() + "/mine/no.wav";
    const QString cache = tmp.path() + "/cache";
    auto put = [](const QString &path, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    };
    put(installed, recording(16, false, 1, 22050, false));
    QString complaint;
    QCOMPARE(platform::chooseSound(installed, mine, cache, &complaint), installed);

    put(mine, recording(24, false, 2, 48000, false));
    const QString chosen = platform::chooseSound(installed, mine, cache, &complaint);
    QVERIFY(chosen.startsWith(cache));
    QFile copy(chosen);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QString why;
    QCOMPARE(platform::decodeWav(copy.readAll(), &why)->channels, 2);
    QCOMPARE(complaint, QString());

    // Broken files fall back: not a sound at all, and a 16-bit header of no channels,
    // which the player would fail on later, on its own.
    put(mine, "RIFF\x10\x01\x02\x03WAVEnot really a sound");
    QCOMPARE(platform::chooseSound(installed, mine, cache, &complaint), installed);
    QCOMPARE(complaint, "dieci: " + mine + ": file WAV incompleto; suona quello installato");
    QByteArray noChannels = recording(16, false, 1, 22050, false);
    noChannels[36] = 0; // "fmt " body starts at 34, after RIFF (12) and LIST (14)
    put(mine, noChannels);
    QCOMPARE(platform::chooseSound(installed, mine, cache, &complaint), installed);
    QVERIFY2(complaint.contains("canali"), qPrintable(complaint));
}

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"
