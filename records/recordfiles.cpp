// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordfiles.h"

#include "recordlock.h"
#include "runtimeerror.h"
#include "services.h"
#include "windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace records {

namespace {

// Big enough for any record, small enough that a damaged file cannot hurt.
constexpr qint64 MaxReadBytes = 64 * 1024;

const QString NewSuffix = QStringLiteral(".nuovo");

StepObserver g_observer = nullptr;

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
    requireRegularOrAbsent(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        platform::raiseFileAccess(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        platform::raiseFileAccess(path, file.errorString());
    if (::fsync(file.handle()) != 0)
        platform::raiseFileAccess(path, QStringLiteral("fsync non riuscito"));
    file.close();
    if (file.error() != QFileDevice::NoError)
        platform::raiseFileAccess(path, file.errorString());
}

// A rename is durable only once the folder that holds it is on disk.
void syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        platform::raiseFileAccess(folder, QStringLiteral("fsync della cartella non riuscito"));
}

void replace(const QString &from, const QString &to)
{
    std::error_code error;
    std::filesystem::rename(fsPath(from), fsPath(to), error);
    if (error)
        platform::raiseFileAccess(to, QString::fromStdString(error.message()));
}

// Where a record file's bytes really live: a symlink to a regular file (a
// record shared with another account, say) is written through, not replaced.
QString realTarget(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() && info.isFile() ? info.canonicalFilePath() : path;
}

QStringList realTargets(const QString &dir)
{
    return {realTarget(pointsPath(dir)), realTarget(namePath(dir))};
}

void syncFolders(const QString &dir, const QStringList &targets)
{
    QStringList folders{dir};
    for (const QString &target : targets)
        folders << QFileInfo(target).absolutePath();
    folders.removeDuplicates();
    for (const QString &folder : folders)
        syncFolder(folder);
}

// Puts the new files in place. A save of this copy must find both; a save
// interrupted earlier may have been half put in place already.
void rollForward(const QString &dir, bool bothRequired)
{
    const QStringList targets = realTargets(dir);
    for (const QString &target : targets) {
        const QString fresh = target + NewSuffix;
        if (bothRequired || QFileInfo::exists(fresh)) {
            requireRegularOrAbsent(fresh);
            replace(fresh, target);
        }
        if (target == targets.front())
            reachedStep("points-renamed");
    }
    syncFolders(dir, targets);
    QFile::remove(markerPath(dir));
}

} // namespace

QString pointsPath(const QString &dir)
{
    return dir + QLatin1String(PointsFileName);
}
QString namePath(const QString &dir)
{
    return dir + QLatin1String(NameFileName);
}
QString lockPath(const QString &dir)
{
    return dir + QStringLiteral("zorlak.lock");
}
// Present only between "both new files are complete" and "both are in place".
QString markerPath(const QString &dir)
{
    return dir + QStringLiteral("zorlak.salvataggio");
}

void observeSteps(StepObserver observer)
{
    g_observer = observer;
}

void reachedStep(const char *step)
{
    if (g_observer)
        g_observer(step);
}

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

void requireRegularOrAbsent(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists())
        platform::raiseFileAccess(path, QStringLiteral("collegamento a un file che non esiste"));
    if (!info.exists() || info.isFile())
        return;
    platform::raiseFileAccess(path, info.isDir() ? QStringLiteral("al suo posto c'è una cartella")
                                                 : QStringLiteral("non è un file normale"));
}

void ensureFileExists(const QString &path)
{
    requireRegularOrAbsent(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        platform::raiseFileAccess(path, file.errorString());
}

QString Leggifiletxt(const QString &nomefile)
{
    requireRegularOrAbsent(nomefile);
    QFile file(nomefile);
    if (!file.open(QIODevice::ReadOnly))
        platform::raiseFileAccess(nomefile, file.errorString());
    const QByteArray bytes = file.read(MaxReadBytes);
    if (file.error() != QFileDevice::NoError)
        platform::raiseFileAccess(nomefile, file.errorString());
    return decodeWindows1252(bytes);
}

StoredRecord openRecord(const QString &dir)
{
    // Nobody can save into a folder that refuses writing, so there is nothing
    // to wait for; reading the files there needs no lock.
    std::optional<RecordLock> lock;
    if (::access(QFile::encodeName(dir).constData(), W_OK) == 0)
        lock.emplace(dir);
    finishInterruptedSave(dir);
    ensureFileExists(pointsPath(dir));
    ensureFileExists(namePath(dir));
    return {Leggifiletxt(pointsPath(dir)), Leggifiletxt(namePath(dir))};
}

void saveRecord(const QString &dir, const QString &points, const QString &name)
{
    for (const QString &path : {pointsPath(dir), namePath(dir)})
        requireRegularOrAbsent(path);
    finishInterruptedSave(dir);
    const QStringList targets = realTargets(dir);
    writeDurably(targets[0] + NewSuffix, recordLine(points));
    writeDurably(targets[1] + NewSuffix, recordLine(name));
    reachedStep("new-files-written");
    writeDurably(markerPath(dir), {});
    syncFolders(dir, targets);
    reachedStep("marker-written");
    rollForward(dir, true);
}

void finishInterruptedSave(const QString &dir)
{
    requireRegularOrAbsent(markerPath(dir));
    if (QFileInfo::exists(markerPath(dir))) {
        rollForward(dir, false);
        return;
    }
    // New files without the marker are from a save that never completed: the
    // old pair is the valid one.
    for (const QString &target : realTargets(dir))
        QFile::remove(target + NewSuffix);
}

} // namespace records
