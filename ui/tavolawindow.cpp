// SPDX-License-Identifier: GPL-3.0-or-later
#include "tavolawindow.h"

#include "artwork.h"
#include "captionlabel.h"
#include "controlfactory.h"
#include "picturebutton.h"
#include "surface.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>

namespace ui {

namespace {
const char *const Caption = "Dimmi il dorvo per arrivare a dieci";

// The credits are this program's own; the school is invented and its web
// address lies on a domain reserved for examples.
const char *const SchoolSite = "www.scuola-girasole.example";
const char *const School = "Scuola primaria Girasole - Borgo Fiorito";
const char *const Credits = "Un programma de gli autori di dieci";
const char *const AuthorsMail = "autori@dieci.example";
const char *const Dedication =
    "*** Agli alunni della scuola primaria Girasole - www.scuola-girasole.example ***";

constexpr int ActivationFallbackMs = 500;

bool isEnter(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}
} // namespace

TavolaWindow::TavolaWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Tavola"));
    setWindowTitle(QString::fromUtf8(Caption));
    // Kept when the caption changes on minimizing.
    setAccessibleName(QString::fromUtf8(Caption));
    setWindowIcon(artwork::windowIcon());
    m_surface = new Surface(this);
    m_surface->setObjectName(QStringLiteral("TavolaClientArea"));
    setCentralWidget(m_surface);
    buildControls();
    buildMenus();

    const QRect client = twipsToPixels(ClientTwips);
    const int menuHeight = menuBar()->sizeHint().height();
    setGeometry(client.x(), client.y() - menuHeight, client.width(), client.height() + menuHeight);
}

void TavolaWindow::buildControls()
{
    m_surface->setCursor(artwork::headCursor(devicePixelRatioF()));
    for (const ControlSpec &entry : controlTable())
        createControl(entry, m_surface);
    m_txtAnswer = m_surface->findChild<QLineEdit *>(QStringLiteral("txtAnswer"));
    m_cmdNext = m_surface->findChild<PictureButton *>(QStringLiteral("cmdNext"));
    m_cmdExit = m_surface->findChild<PictureButton *>(QStringLiteral("cmdExit"));
    m_command1 = m_surface->findChild<QPushButton *>(QStringLiteral("Command1"));
    m_image1 = m_surface->findChild<QLabel *>(QStringLiteral("Image1"));

    // Buttons and the answer box lie above every label; the hidden Command1
    // lies under cmdNext, out of reach of the mouse.
    m_txtAnswer->raise();
    m_command1->raise();
    m_cmdExit->raise();
    m_cmdNext->raise();

    // A screen reader names the answer box after the number asked.
    label("lblNum1")->setBuddy(m_txtAnswer);

    setTabOrder(m_cmdExit, m_cmdNext);
    setTabOrder(m_cmdNext, m_txtAnswer);
    setTabOrder(m_txtAnswer, m_command1);
    for (QWidget *w : {static_cast<QWidget *>(m_txtAnswer), static_cast<QWidget *>(m_cmdNext),
                       static_cast<QWidget *>(m_cmdExit), static_cast<QWidget *>(m_command1)})
        w->installEventFilter(this);
}

void TavolaWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *wp = bar->addMenu(QString::fromUtf8(SchoolSite));
    wp->setObjectName(QStringLiteral("wp"));
    wp->addAction(QString::fromUtf8(School))->setObjectName(QStringLiteral("v"));

    QMenu *ciao = bar->addMenu(QString::fromUtf8(Credits));
    ciao->setObjectName(QStringLiteral("Ciao"));
    ciao->addAction(QString::fromUtf8(AuthorsMail))->setObjectName(QStringLiteral("a"));
    m_next = ciao->addAction(QStringLiteral("nuovo"));
    m_next->setObjectName(QStringLiteral("Next"));
    ciao->addAction(QString::fromUtf8(Dedication))->setObjectName(QStringLiteral("agli"));
}

CaptionLabel *TavolaWindow::label(const char *name) const
{
    return m_surface->findChild<CaptionLabel *>(QString::fromLatin1(name));
}

void TavolaWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // Without a window manager the window may never become active.
        QTimer::singleShot(ActivationFallbackMs, this, &TavolaWindow::raiseActivate);
    }
}

bool TavolaWindow::event(QEvent *event)
{
    // Only the first activation after the show counts: coming back from
    // another program is not a new activation of the drill.
    if (event->type() == QEvent::WindowActivate && m_shown)
        raiseActivate();
    return QMainWindow::event(event);
}

void TavolaWindow::raiseActivate()
{
    if (m_activated)
        return;
    m_activated = true;
    // A notice of its own, after the window has settled at its maximized size.
    QTimer::singleShot(0, this, &TavolaWindow::activated);
}

void TavolaWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    emit resized();
}

void TavolaWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        emit resized();
}

bool TavolaWindow::clickDefault()
{
    if (!m_cmdNext->isEnabled())
        return false;
    m_cmdNext->click();
    return true;
}

void TavolaWindow::keyPressEvent(QKeyEvent *event)
{
    if (isEnter(event) && clickDefault())
        return;
    QMainWindow::keyPressEvent(event);
}

bool TavolaWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_txtAnswer)
        return answerKey(key);
    // Enter on a focused button clicks that button.
    if (isEnter(key)) {
        if (auto *button = qobject_cast<QPushButton *>(watched); button && button->isEnabled())
            button->click();
        return true;
    }
    return false;
}

bool TavolaWindow::answerKey(QKeyEvent *event)
{
    if (isEnter(event) && clickDefault())
        return true;
    // Tab moves the focus, as everywhere else; the key-press notice never sees it.
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        return false;
    const QString text = event->text();
    // Keys that type no character (arrows, Delete, Home, End) only edit.
    if (text.size() != 1 || event->key() == Qt::Key_Delete || !m_keyPress)
        return false;
    const char16_t typed = text.front().unicode();
    std::int16_t code = typed > 0x7FFF ? std::int16_t(0x7FFF) : std::int16_t(typed);
    m_keyPress(code);
    // Enter has been dealt with by the handler; the box has no use for it.
    return code == 0 || isEnter(event);
}

} // namespace ui
