// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordlock.h"

#include "recordfiles.h"
#include "runtimeerror.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace records {

namespace {
constexpr int PollMs = 20;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
} // namespace

RecordLock::RecordLock(const QString &dir, int waitMs) : m_path(QFile::encodeName(lockPath(dir)))
{
    const QDeadlineTimer deadline(waitMs);
    bool waiting = false;
    for (;;) {
        // O_NONBLOCK: a FIFO put in its place must not hang the program.
        const int fd = ::open(m_path.constData(),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
        if (fd < 0) {
            const int error = errno;
            if (error == EACCES || error == EPERM || error == EROFS || error == ENOENT ||
                error == ENOTDIR)
                platform::raiseFileAccess(dir,
                                          QStringLiteral("cartella dei record non scrivibile"));
            platform::raiseFileAccess(lockPath(dir), error == ELOOP
                                                         ? QStringLiteral("non è un file normale")
                                                         : systemReason(error));
        }
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            platform::raiseFileAccess(lockPath(dir), QStringLiteral("non è un file normale"));
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The previous holder removes the file as it lets go; a lock on a
            // removed file excludes nobody, so start again on the new one.
            struct stat now {};
            if (::stat(m_path.constData(), &now) == 0 && sameFile(now, held)) {
                m_fd = fd;
                return;
            }
            ::close(fd);
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR)
            platform::raiseFileAccess(lockPath(dir), systemReason(error));
        if (!waiting) {
            waiting = true;
            reachedStep("lock-busy");
        }
        if (deadline.hasExpired())
            platform::raiseFileAccess(lockPath(dir),
                                      QStringLiteral("il file dei record è bloccato"));
        QThread::msleep(PollMs);
    }
}

RecordLock::~RecordLock()
{
    // Removed while still held, so nobody can lock the old file after us.
    ::unlink(m_path.constData());
    ::close(m_fd);
}

} // namespace records
