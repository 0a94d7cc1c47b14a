// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"

#include <QString>

// What both printed reports share.
namespace registroui {

// "dd/MM/yyyy" of a stamp.
QString reportDay(const QString &stamp);
// The days the races cover, as the report's only note of time.
QString racesSpan(const QList<registro::Child> &children);
// The heading: the class when known, and whose page it is when it is one
// child's.
QString reportTitle(const QString &className, const QString &childName);

} // namespace registroui
