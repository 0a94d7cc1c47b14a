// SPDX-License-Identifier: GPL-3.0-or-later
#include "picturebutton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ui {

PictureButton::PictureButton(QWidget *parent) : QPushButton(parent) {}

void PictureButton::setPictures(const QPixmap &normal, const QPixmap &pressed,
                                const QPixmap &disabled)
{
    m_normal = normal;
    m_pressed = pressed;
    m_disabled = disabled;
    update();
}

QPixmap PictureButton::currentPicture() const
{
    if (!isEnabled())
        return m_disabled;
    return isDown() ? m_pressed : m_normal;
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    const QRect inner = rect().adjusted(3, 3, -3, -3);
    const QRect textRect(inner.left(), inner.bottom() - textHeight, inner.width(), textHeight);
    const QPixmap picture = currentPicture();
    if (!picture.isNull()) {
        const QSize size = picture.deviceIndependentSize().toSize();
        const int shift = isDown() ? 1 : 0;
        const QRect pictureArea(inner.left(), inner.top(), inner.width(),
                                textRect.top() - inner.top());
        const QPoint topLeft(pictureArea.center().x() - size.width() / 2 + 1 + shift,
                             pictureArea.center().y() - size.height() / 2 + 1 + shift);
        painter.drawPixmap(topLeft, picture);
    }
    painter.drawItemText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                         QPushButton::text(), QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace ui
