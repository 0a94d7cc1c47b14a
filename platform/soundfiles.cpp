// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundfiles.h"

#include "wavfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

namespace {
// Minutes of CD-quality stereo: more than any sound of the drill needs.
constexpr qint64 MaxSoundBytes = 64 * 1024 * 1024;

QString playableFile(const QString &path, const QString &cacheDir, QString *why)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("impossibile leggere il file");
        return {};
    }
    if (file.size() > MaxSoundBytes) {
        *why = QStringLiteral("file troppo grande");
        return {};
    }
    const QByteArray bytes = file.readAll();
    // Checked whole even when the player could read it: a file it fails on
    // would be silence, and a complaint on standard error of its own.
    const std::optional<WavSound> sound = decodeWav(bytes, why);
    if (!sound)
        return {};
    if (playsAsIs(bytes))
        return path;
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1);
    QSaveFile copy(cacheDir + u'/' + QString::fromLatin1(key.toHex()) + QStringLiteral(".wav"));
    if (!QDir().mkpath(cacheDir) || !copy.open(QIODevice::WriteOnly) ||
        copy.write(encodeWav16(*sound)) < 0 || !copy.commit()) {
        *why = QStringLiteral("impossibile scrivere la copia in %1").arg(cacheDir);
        return {};
    }
    return copy.fileName();
}
} // namespace

QString soundProblem(const QString &mine, const QString &cacheDir)
{
    QString why;
    if (QFileInfo::exists(mine) && playableFile(mine, cacheDir, &why).isEmpty())
        return why;
    return {};
}

QString chooseSound(const QString &installed, const QString &mine, const QString &cacheDir,
                    QString *complaint)
{
    QString why;
    if (QFileInfo::exists(mine)) {
        if (QString file = playableFile(mine, cacheDir, &why); !file.isEmpty())
            return file;
        *complaint = QStringLiteral("dieci: %1: %2; suona quello installato").arg(mine, why);
    }
    return playableFile(installed, cacheDir, &why);
}

} // namespace platform
