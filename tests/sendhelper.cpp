// SPDX-License-Identifier: GPL-3.0-or-later
// Delivers one outbox of a register to the server and says so, then waits to
// be killed before it could mark anything sent: the worst moment to die.
//   sendhelper REGISTER CONNINFO
#include "register.h"
#include "sender.h"
#include "server.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const registro::Register local =
        registro::Register::open(QString::fromLocal8Bit(argv[1]), registro::Access::ReadWrite);
    QString why = local.isOpen() ? QString() : local.problem();
    const registro::Outbox box =
        why.isEmpty() ? registro::sending::collect(local, QStringLiteral("pc-helper"), &why)
                      : registro::Outbox{};
    const auto server = registro::server::Pq::open(QString::fromLocal8Bit(argv[2]));
    if (why.isEmpty())
        why = server->error();
    if (why.isEmpty())
        why = registro::sending::deliver(*server, box).why;
    if (!why.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    std::printf("consegnato %lld\n", static_cast<long long>(box.races.size() + box.answers.size()));
    std::fflush(stdout);
    for (;;)
        pause();
}
