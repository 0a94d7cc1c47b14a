// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordstore.h"

#include "numbers.h"
#include "recordfiles.h"
#include "recordlock.h"

#include <QFileInfo>

#include <algorithm>

namespace records {

bool saveIfHigher(const QString &dir, double score, const QString &points, const QString &name,
                  double recordAtStart)
{
    const RecordLock lock(dir);
    finishInterruptedSave(dir);
    const double onDisk = QFileInfo(pointsPath(dir)).exists()
                              ? platform::leadingNumberOrInfinity(Leggifiletxt(pointsPath(dir)))
                              : 0.0;
    if (std::max(recordAtStart, onDisk) >= score)
        return false;
    saveRecord(dir, points, name);
    return true;
}

} // namespace records
