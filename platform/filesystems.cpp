// SPDX-License-Identifier: GPL-3.0-or-later
#include "filesystems.h"

#include <QFile>
#include <QFileInfo>

#include <sys/vfs.h>

namespace platform {

namespace {
constexpr quint32 Nfs = 0x6969;
constexpr quint32 Smb2 = 0xfe534d42;
constexpr quint32 Cifs = 0xff534d42;
constexpr quint32 Fuse = 0x65735546;
constexpr quint32 Smb = 0x517b;
} // namespace

quint32 fileSystemTypeOf(const QString &path)
{
    // The folder may not exist yet: its nearest existing parent decides.
    QString at = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(at)) {
        const QString parent = QFileInfo(at).absolutePath();
        if (parent == at)
            break;
        at = parent;
    }
    struct statfs fs {};
    if (statfs(QFile::encodeName(at).constData(), &fs) != 0)
        return 0;
    return quint32(fs.f_type);
}

bool isNetworkFileSystem(quint32 type)
{
    return type == Nfs || type == Smb2 || type == Cifs || type == Fuse || type == Smb;
}

} // namespace platform
