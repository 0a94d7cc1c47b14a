// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// The file the sound player should open for a sound: the teacher's own
// recording (mine) when there is one and it can be played, else the installed
// one. A recording that is not plain 8- or 16-bit PCM is played from a 16-bit
// copy in cacheDir. When the teacher's file cannot be used, complaint gets one
// line naming it and saying why. Empty when neither can be played.
QString chooseSound(const QString &installed, const QString &mine, const QString &cacheDir,
                    QString *complaint);

// Why the teacher's own recording at mine cannot be played, by the same rule;
// empty when it can, or when there is none.
QString soundProblem(const QString &mine, const QString &cacheDir);

} // namespace platform
