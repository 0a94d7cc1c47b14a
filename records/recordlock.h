// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace records {

// Excludes every other copy of the program from the record folder while it
// lives. The kernel drops the lock of a copy that dies, so a lock file left
// behind (empty or not) never blocks anyone; a live holder is waited for up to
// waitMs, then a run-time error is raised.
class RecordLock {
public:
    static constexpr int DefaultWaitMs = 10'000;

    explicit RecordLock(const QString &dir, int waitMs = DefaultWaitMs);
    ~RecordLock();
    RecordLock(const RecordLock &) = delete;
    RecordLock &operator=(const RecordLock &) = delete;

private:
    QByteArray m_path;
    int m_fd = -1;
};

} // namespace records
