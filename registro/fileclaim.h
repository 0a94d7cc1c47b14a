// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace registro {

// POSIX locks belong to the process, and the first close() of any descriptor
// on a file drops them all: a plain open and close of a register while one of
// the process's SQLite connections holds it would let another program write
// under that connection. A claim marks a file as held by SQLite in this
// process; only the first claim on a file may look at it as plain bytes.
class FileClaim {
public:
    FileClaim() = default;
    // Claims the file at path (already there), running firstLook first when
    // no other claim on the same file is alive in the process.
    FileClaim(const QString &path, const std::function<void()> &firstLook);
    ~FileClaim();
    FileClaim(FileClaim &&other) noexcept;
    FileClaim &operator=(FileClaim &&other) noexcept;
    FileClaim(const FileClaim &) = delete;
    FileClaim &operator=(const FileClaim &) = delete;

    void release();

private:
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
    bool m_held = false;
};

} // namespace registro
