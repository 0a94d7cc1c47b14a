// SPDX-License-Identifier: GPL-3.0-or-later
#include "artwork.h"

#include <QPainter>
#include <QSvgRenderer>

namespace ui::artwork {

QPixmap picture(const QString &name, QSize size, qreal devicePixelRatio)
{
    QSvgRenderer renderer(QStringLiteral(":/dieci/art/%1.svg").arg(name));
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon windowIcon()
{
    // Drawn once per program, before the first frame: only the sizes a title
    // bar or a window switcher shows (menus and launchers use the installed SVG).
    static const QIcon icon = [] {
        QIcon sizes;
        for (int side : {16, 24, 32, 48, 64})
            sizes.addPixmap(picture(QStringLiteral("dieci"), QSize(side, side)));
        return sizes;
    }();
    return icon;
}

QCursor headCursor(qreal devicePixelRatio)
{
    // The hot spot is the tip of the pointing nose, near the top-left.
    return QCursor(picture(QStringLiteral("pointer"), QSize(48, 48), devicePixelRatio), 4, 4);
}

} // namespace ui::artwork
