// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

#include <QStandardPaths>

namespace platform {

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/dieci");
}

} // namespace platform
