// SPDX-License-Identifier: GPL-3.0-or-later
#include "labsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <memory>
#include <mutex>

#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {
// One settings file, judged on its own: the more important file wins where
// two say something. Never through Qt's scopes: a scoped object reads the
// lab's file too, and Qt's shared cache of it would then hide that file's
// format errors from the next reader.
std::unique_ptr<QSettings> settingsAt(const QString &path)
{
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

// The lab's file in every folder of XDG_CONFIG_DIRS, least important first.
// Qt reads only the first folder, and a desktop may put its own there
// (Plasma's ~/.config/kdedefaults): the lab's file would be silently ignored.
QStringList systemFiles()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.trimmed().isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    QStringList files;
    for (const QString &dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        const QString file = QDir(dir).filePath(QStringLiteral("dieci/dieci.conf"));
        if (QDir::isAbsolutePath(dir) && !files.contains(file))
            files.prepend(file);
    }
    return files;
}

QString usable(const QSettings &settings)
{
    if (!QFileInfo::exists(settings.fileName()))
        return {};
    switch (settings.status()) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return QStringLiteral("impossibile leggere il file");
    case QSettings::FormatError:
        break;
    }
    return QStringLiteral("file non valido");
}

void sayOnce(const QString &line)
{
    static std::mutex mutex;
    static QStringList said;
    const std::lock_guard lock(mutex);
    if (!said.contains(line)) {
        said << line;
        std::fprintf(stderr, "dieci: %s\n", qPrintable(line));
    }
}

bool isYes(const QString &value)
{
    static const QStringList yes = {"true", "1", "sì", "si", "yes", "vero"};
    return yes.contains(value.trimmed().toLower());
}
} // namespace

QString loginName()
{
    if (const passwd *pw = getpwuid(getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

LabSettings readLabSettings()
{
    LabSettings lab;
    lab.className = loginName();
    const QString own = ownSettingsPath();
    QStringList files = systemFiles();
    files << own;
    for (const QString &file : files) {
        const auto settings = settingsAt(file);
        if (const QString why = usable(*settings); !why.isEmpty()) {
            lab.problems
                << QStringLiteral("%1: %2; impostazioni ignorate").arg(settings->fileName(), why);
            sayOnce(lab.problems.back());
            continue;
        }
        if (QFileInfo::exists(file))
            lab.filesRead << file;
        for (const QString &key : settings->allKeys())
            lab.keySources.append({key, file});
        const auto text = [&](const char *key, QString *into) {
            if (settings->contains(QLatin1String(key)))
                *into = settings->value(QLatin1String(key)).toString().trimmed();
        };
        const auto yesNo = [&](const char *key, bool *into) {
            if (settings->contains(QLatin1String(key)))
                *into = isYes(settings->value(QLatin1String(key)).toString());
        };
        yesNo("registro/attivo", &lab.recordAlways);
        yesNo("aiuti/voce", &lab.voice);
        yesNo("aiuti/contrasto", &lab.contrast);
        QString className;
        text("registro/classe", &className);
        if (!className.isEmpty())
            lab.className = className;
        text("registro/server", &lab.server);
        if (file == own)
            text("registro/server", &lab.ownServer);
        text("suoni/cartella", &lab.soundFolder);
    }
    return lab;
}

QString ownSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/dieci/dieci.conf");
}

QString storeOwnServer(const QString &conninfo)
{
    const auto settings = settingsAt(ownSettingsPath());
    if (const QString why = usable(*settings); !why.isEmpty())
        return QStringLiteral("%1: %2").arg(settings->fileName(), why);
    const QString path = settings->fileName();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("%1: impossibile creare la cartella").arg(path);
    // Made private before the password is in it, and kept so by QSettings,
    // which rewrites the file in place of the old one.
    QFile file(path);
    if (!file.open(QIODevice::Append) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    file.close();
    settings->setValue(QStringLiteral("registro/server"), conninfo);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        return QStringLiteral("%1: impossibile scrivere il file").arg(path);
    if (!QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return QStringLiteral("%1: impossibile renderlo privato").arg(path);
    return {};
}

} // namespace platform
