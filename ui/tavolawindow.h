// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

class QAction;
class QPushButton;

namespace ui {

class AnswerBox;
class CaptionLabel;
class PictureButton;
class Surface;

// The drill's one window, built from the control table. It owns the layout,
// the menus and the keyboard rules; the drill's logic attaches to its notices.
class TavolaWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TavolaWindow(QWidget *parent = nullptr);

    CaptionLabel *label(const char *name) const;
    AnswerBox *txtAnswer() const { return m_txtAnswer; }
    PictureButton *cmdNext() const { return m_cmdNext; }
    PictureButton *cmdExit() const { return m_cmdExit; }
    QPushButton *command1() const { return m_command1; }
    Surface *surface() const { return m_surface; }
    QAction *nextAction() const { return m_next; }
    // Colours for a child who needs high contrast: every text readable on the
    // dark backdrop the race then paints, the window black until it does.
    void setHighContrast(bool on);

signals:
    void resized();
    // Once, when the window first becomes active after it was shown.
    void activated();
    // The window is being closed with its frame's close button.
    void closed();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    bool clickDefault();
    void raiseActivate();

    Surface *m_surface = nullptr;
    AnswerBox *m_txtAnswer = nullptr;
    PictureButton *m_cmdNext = nullptr;
    PictureButton *m_cmdExit = nullptr;
    QPushButton *m_command1 = nullptr;
    QAction *m_next = nullptr;
    bool m_shown = false;
    bool m_activated = false;
};

} // namespace ui
