// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace ui::artwork {

// Renders one of the program's SVG pictures at a size in device-independent
// pixels, sharp on a high-density screen.
QPixmap picture(const QString &name, QSize size, qreal devicePixelRatio = 1.0);

QIcon windowIcon();
QCursor headCursor(qreal devicePixelRatio = 1.0);

} // namespace ui::artwork
