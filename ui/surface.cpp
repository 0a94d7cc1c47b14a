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
        m_drawing = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_drawing.setDevicePixelRatio(ratio);
    }
    m_drawing.fill(Qt::transparent);
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
    painter.fillRect(event->rect(), m_backColor);
    if (!m_drawing.isNull())
        painter.drawImage(QPoint(0, 0), m_drawing);
}

} // namespace ui
