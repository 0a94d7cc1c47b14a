// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPushButton>

namespace ui {

// A graphical button: its picture centred above the caption, on the face
// colour, with separate pictures while pressed and while disabled.
class PictureButton : public QPushButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent = nullptr);

    void setPictures(const QPixmap &normal, const QPixmap &pressed, const QPixmap &disabled);
    // The picture the button shows in its present state.
    QPixmap currentPicture() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_normal, m_pressed, m_disabled;
};

} // namespace ui
