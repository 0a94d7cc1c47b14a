// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface.h"

#include <QPaintEvent>
#include <QPainter>

namespace ui {

Surface::Surface(QWidget *parent) : QWidget(parent), m_backColor(palette().color(QPalette::Window))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Surface::setBackColor(const QColor &colour)
{
    m_backColor = colour;
    m_drawing = QImage();
    update();
}

QImage &Surface::beginDrawing()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_drawing.size() != pixels || m_drawing.devicePixelRatio() != ratio) {
        // Opaque, the fill colour beneath the drawing: showing it is a plain
        // copy, with nothing to blend.
        QImage fresh(pixels, QImage::Format_RGB32);
        fresh.setDevicePixelRatio(ratio);
        fresh.fill(m_backColor);
        QPainter(&fresh).drawImage(QPoint(0, 0), m_drawing);
        m_drawing = fresh;
    }
    return m_drawing;
}

QImage Surface::composed() const
{
    QImage image((QSizeF(size()) * devicePixelRatioF()).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatioF());
    image.fill(m_backColor);
    QPainter painter(&image);
    painter.drawImage(QPoint(0, 0), m_drawing);
    return image;
}

void Surface::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    QRegion uncovered(event->rect());
    if (!m_drawing.isNull()) {
        painter.drawImage(QPoint(0, 0), m_drawing);
        uncovered -= QRect(QPoint(0, 0), m_drawing.deviceIndependentSize().toSize());
    }
    for (const QRect &r : uncovered)
        painter.fillRect(r, m_backColor);
}

} // namespace ui
