// SPDX-License-Identifier: GPL-3.0-or-later
#include "school.h"

#include "sender.h"

#include <memory>
#include <mutex>

namespace drill::school {

namespace {
struct Link {
    std::mutex mutex;
    std::unique_ptr<registro::Sender> sender;
    bool clean = true;
};

Link &link()
{
    // Never destroyed: a sender let go may still be using it at exit.
    static Link *const l = new Link;
    return *l;
}
} // namespace

void start(const QString &registerPath, const QString &conninfo, const QString &computer)
{
    Link &l = link();
    const std::lock_guard lock(l.mutex);
    if (!l.sender)
        l.sender = std::make_unique<registro::Sender>(registerPath, conninfo, computer);
}

void poke()
{
    Link &l = link();
    const std::lock_guard lock(l.mutex);
    if (l.sender)
        l.sender->poke();
}

bool finish(std::chrono::milliseconds patience)
{
    Link &l = link();
    const std::lock_guard lock(l.mutex);
    if (l.sender) {
        l.sender->finish(patience);
        // Once let go, always: its thread may outlive everything else.
        l.clean = l.clean && !l.sender->letGo();
        l.sender.reset();
    }
    return l.clean;
}

} // namespace drill::school
