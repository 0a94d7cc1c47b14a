// Saves record pairs into a folder as fast as it can until it is killed:
// points N with the name "Giocatore N", N counting up from the saved points.
#include "recordfiles.h"
#include "runtime.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    records::finishInterruptedSave(dir);
    int n = int(platform::leadingNumber(records::Leggifiletxt(dir + records::PointsFileName)));
    for (;;) {
        ++n;
        records::saveRecord(dir, QString::number(n), QStringLiteral("Giocatore %1").arg(n));
    }
}
