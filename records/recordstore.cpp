#include "recordstore.h"

#include "recordfiles.h"
#include "runtime.h"

#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

namespace records {

namespace {
constexpr int LockWaitMs = 10'000;
}

bool saveIfHigher(const QString &dir, double score, const QString &points, const QString &name,
                  double recordAtStart)
{
    QLockFile lock(dir + QStringLiteral("zorlak.lock"));
    if (!lock.tryLock(LockWaitMs))
        platform::raiseFileAccess(dir + QStringLiteral("zorlak.lock"),
                                  QStringLiteral("il file dei record è bloccato"));
    finishInterruptedSave(dir);
    const QString pointsPath = dir + QLatin1String(PointsFileName);
    const double onDisk =
        QFileInfo(pointsPath).isFile() ? platform::leadingNumber(Leggifiletxt(pointsPath)) : 0.0;
    if (std::max(recordAtStart, onDisk) >= score)
        return false;
    saveRecord(dir, points, name);
    return true;
}

} // namespace records
