// SPDX-License-Identifier: GPL-3.0-or-later
#include "labsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>
#include <memory>
#include <mutex>

#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {
// Nothing from the system file falls through into the account's: each is
// judged on its own, and the account's wins where both say something.
std::unique_ptr<QSettings> settingsOf(QSettings::Scope scope)
{
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, scope,
                                                QStringLiteral("dieci"), QStringLiteral("dieci"));
    settings->setFallbacksEnabled(false);
    return settings;
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
    for (const QSettings::Scope scope : {QSettings::SystemScope, QSettings::UserScope}) {
        const auto settings = settingsOf(scope);
        if (const QString why = usable(*settings); !why.isEmpty()) {
            lab.problems
                << QStringLiteral("%1: %2; impostazioni ignorate").arg(settings->fileName(), why);
            sayOnce(lab.problems.back());
            continue;
        }
        const auto text = [&](const char *key, QString *into) {
            if (settings->contains(QLatin1String(key)))
                *into = settings->value(QLatin1String(key)).toString().trimmed();
        };
        if (settings->contains(QStringLiteral("registro/attivo")))
            lab.recordAlways = isYes(settings->value(QStringLiteral("registro/attivo")).toString());
        QString className;
        text("registro/classe", &className);
        if (!className.isEmpty())
            lab.className = className;
        text("registro/server", &lab.server);
        if (scope == QSettings::UserScope)
            text("registro/server", &lab.ownServer);
        text("suoni/cartella", &lab.soundFolder);
    }
    return lab;
}

QString ownSettingsPath()
{
    return settingsOf(QSettings::UserScope)->fileName();
}

QString storeOwnServer(const QString &conninfo)
{
    const auto settings = settingsOf(QSettings::UserScope);
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
