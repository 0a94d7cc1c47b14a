// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

namespace platform {

class Services;

// Every window notice passes through here. A run-time error raised by its
// handler is reported in a critical box and ends the program with a non-zero
// status; nothing else in the program catches it.
class NoticeBoundary {
public:
    NoticeBoundary(Services &services, QString title);

    void deliver(const std::function<void()> &handler) noexcept;
    // True once the program has ended; later notices are ignored.
    bool ended() const { return m_ended; }
    // Runs just before a reported error ends the program, to leave files whole.
    void atEnd(std::function<void()> tidy) { m_atEnd = std::move(tidy); }

private:
    void report(const QString &text) noexcept;

    Services &m_services;
    QString m_title;
    bool m_ended = false;
    std::function<void()> m_atEnd;
};

} // namespace platform
