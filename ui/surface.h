// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

namespace ui {

// The window's client area. What is drawn on it persists behind the controls
// (also when the window is covered and uncovered) until the fill colour is set,
// which erases it. A resize keeps the drawing as it is.
class Surface : public QWidget {
    Q_OBJECT
public:
    explicit Surface(QWidget *parent = nullptr);

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor &colour);

    // The persistent drawing, the size of the client area in device pixels:
    // what was drawn before stays until it is drawn over or the fill colour is
    // set. Paint on it, then call endDrawing().
    QImage &beginDrawing();
    void endDrawing() { update(); }

    // What the client area shows: the fill colour with the drawing over it.
    QImage composed() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backColor;
    QImage m_drawing;
};

} // namespace ui
