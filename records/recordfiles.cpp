#include "recordfiles.h"

#include "runtime.h"
#include "services.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace records {

namespace {

// Big enough for any record, small enough that a damaged file cannot hurt.
constexpr qint64 MaxReadBytes = 64 * 1024;

// Present only between "both new files are complete" and "both are in place".
const QString SaveMarker = QStringLiteral("zorlak.salvataggio");
const QString NewSuffix = QStringLiteral(".nuovo");

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// One line: control characters (line breaks among them) would split it.
QByteArray recordLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    return encodeWindows1252(line) + "\r\n";
}

void writeDurably(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        platform::raiseFileAccess(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        platform::raiseFileAccess(path, file.errorString());
#ifndef _WIN32
    if (::fsync(file.handle()) != 0)
        platform::raiseFileAccess(path, QStringLiteral("fsync non riuscito"));
#endif
    file.close();
    if (file.error() != QFileDevice::NoError)
        platform::raiseFileAccess(path, file.errorString());
}

void replace(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(fsPath(from), fsPath(to), error);
    if (error)
        platform::raiseFileAccess(to, QString::fromStdString(error.message()));
}

void rollForward(const QString &dir)
{
    for (const char *name : {PointsFileName, NameFileName}) {
        const QString target = dir + QLatin1String(name);
        if (QFileInfo::exists(target + NewSuffix))
            replace(target + NewSuffix, target);
    }
    QFile::remove(dir + SaveMarker);
}

} // namespace

QString GetSystemDir(const platform::Services &services)
{
    QString dir = services.dataFolder();
    if (!QDir().mkpath(dir))
        platform::raiseFileAccess(dir, QStringLiteral("impossibile creare la cartella"));
    while (dir.size() > 1 && (dir.endsWith(u'/') || dir.endsWith(QDir::separator())))
        dir.chop(1);
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

void ensureFileExists(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        platform::raiseFileAccess(path, file.errorString());
}

QString Leggifiletxt(const QString &nomefile)
{
    QFile file(nomefile);
    if (!file.open(QIODevice::ReadOnly))
        platform::raiseFileAccess(nomefile, file.errorString());
    const QByteArray bytes = file.read(MaxReadBytes);
    if (file.error() != QFileDevice::NoError)
        platform::raiseFileAccess(nomefile, file.errorString());
    return decodeWindows1252(bytes);
}

void saveRecord(const QString &dir, const QString &points, const QString &name)
{
    const QString pointsPath = dir + QLatin1String(PointsFileName);
    const QString namePath = dir + QLatin1String(NameFileName);
    for (const QString &target : {pointsPath, namePath})
        if (QFileInfo(target).isDir())
            platform::raiseFileAccess(target, QStringLiteral("al suo posto c'è una cartella"));

    finishInterruptedSave(dir);
    writeDurably(pointsPath + NewSuffix, recordLine(points));
    writeDurably(namePath + NewSuffix, recordLine(name));
    writeDurably(dir + SaveMarker, {});
    rollForward(dir);
}

void finishInterruptedSave(const QString &dir)
{
    if (QFileInfo::exists(dir + SaveMarker)) {
        rollForward(dir);
        return;
    }
    // New files without the marker are from a save that never completed: the
    // old pair is the valid one.
    for (const char *name : {PointsFileName, NameFileName})
        QFile::remove(dir + QLatin1String(name) + NewSuffix);
}

} // namespace records
