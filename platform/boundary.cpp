// SPDX-License-Identifier: GPL-3.0-or-later
#include "boundary.h"

#include "runtimeerror.h"
#include "services.h"

#include <exception>

namespace platform {

NoticeBoundary::NoticeBoundary(Services &services, QString title)
    : m_services(services), m_title(std::move(title))
{
}

void NoticeBoundary::deliver(const std::function<void()> &handler) noexcept
{
    if (m_ended)
        return;
    try {
        handler();
    } catch (const ProgramEnded &) {
        m_ended = true;
    } catch (const RunTimeError &error) {
        report(error.report());
    } catch (const std::exception &error) {
        report(RunTimeError(errors::Internal, QString::fromLocal8Bit(error.what())).report());
    }
}

void NoticeBoundary::report(const QString &text) noexcept
{
    // Nothing else runs once the report is on its way, not even a timer tick
    // delivered while the box is open.
    m_ended = true;
    try {
        m_services.messageBox(text, BoxStyle::Critical, m_title);
    } catch (...) {
    }
    try {
        if (m_atEnd)
            m_atEnd();
    } catch (...) {
    }
    try {
        m_services.end(1);
    } catch (...) {
    }
}

} // namespace platform
