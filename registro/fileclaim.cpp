// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileclaim.h"

#include <QFile>

#include <map>
#include <mutex>
#include <utility>

#include <sys/stat.h>

namespace registro {

namespace {
using Key = std::pair<unsigned long long, unsigned long long>;

struct Claims {
    std::mutex mutex;
    std::map<Key, int> count;
};

Claims &claims()
{
    // Never destroyed: a sender let go at exit may still release one.
    static Claims *const c = new Claims;
    return *c;
}
} // namespace

FileClaim::FileClaim(const QString &path, const std::function<void()> &firstLook)
{
    Claims &c = claims();
    // Held across the look: another thread's first connection waits for it.
    const std::lock_guard lock(c.mutex);
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        m_device = st.st_dev;
        m_inode = st.st_ino;
    }
    int &n = c.count[{m_device, m_inode}];
    if (n == 0 && firstLook)
        firstLook();
    ++n;
    m_held = true;
}

FileClaim::~FileClaim()
{
    release();
}

FileClaim::FileClaim(FileClaim &&other) noexcept
{
    *this = std::move(other);
}

FileClaim &FileClaim::operator=(FileClaim &&other) noexcept
{
    if (this != &other) {
        release();
        m_device = other.m_device;
        m_inode = other.m_inode;
        m_held = std::exchange(other.m_held, false);
    }
    return *this;
}

void FileClaim::release()
{
    if (!m_held)
        return;
    Claims &c = claims();
    const std::lock_guard lock(c.mutex);
    if (const auto it = c.count.find({m_device, m_inode}); it != c.count.end() && --it->second == 0)
        c.count.erase(it);
    m_held = false;
}

} // namespace registro
