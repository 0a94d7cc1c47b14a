// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// statfs(2)'s f_type of the file system holding path; 0 when unknown.
quint32 fileSystemTypeOf(const QString &path);

// Whether many computers may share files there at once: NFS, SMB/CIFS and
// FUSE (SSHFS), where SQLite's locks and shared memory do not hold.
bool isNetworkFileSystem(quint32 type);

} // namespace platform
