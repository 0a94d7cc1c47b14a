// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace records {

// Saves the pair when score beats both the record the caller read at start-up
// and the record on disk now. A lock in the folder keeps two programs that
// finish together from interleaving their reads and writes. Returns whether it
// saved; a failure raises a run-time error and leaves the old pair in place.
bool saveIfHigher(const QString &dir, double score, const QString &points, const QString &name,
                  double recordAtStart);

} // namespace records
