// SPDX-License-Identifier: GPL-3.0-or-later
#include "tavolawindow.h"

#include "answerbox.h"
#include "artwork.h"
#include "captionlabel.h"
#include "controlfactory.h"
#include "picturebutton.h"
#include "surface.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>

namespace ui {

namespace {
const char *const Caption = "Dimmi il dorvo per arrivare a dieci";

// The credits are this program's own; the school is invented and its web
// address lies on a domain reserved for examples.
const char *const SchoolSite = "www.scuola-girasole.example";
const char *const School = "Scuola primaria Girasole - Borgo Fiorito";
const char *const Credits = "Un programma degli autori di dieci";
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

void TavolaWindow::setHighContrast(bool on)
{
    for (const ControlEntry &entry : controlTable())
        if (auto *control = m_surface->findChild<QWidget *>(QLatin1String(entry.name)))
            applyColours(control, entry, on);
    if (on)
        m_surface->setBackColor(Qt::black);
}

void TavolaWindow::buildControls()
{
    m_surface->setCursor(artwork::headCursor(devicePixelRatioF()));
    for (const ControlEntry &entry : controlTable())
        createControl(entry, m_surface);
    m_txtAnswer = m_surface->findChild<AnswerBox *>(QStringLiteral("txtAnswer"));
    m_cmdNext = m_surface->findChild<PictureButton *>(QStringLiteral("cmdNext"));
    m_cmdExit = m_surface->findChild<PictureButton *>(QStringLiteral("cmdExit"));
    m_command1 = m_surface->findChild<QPushButton *>(QStringLiteral("Command1"));
    m_txtAnswer->setDefaultButton(m_cmdNext);

    // Buttons and the answer box lie above every label; the hidden Command1
    // lies under cmdNext, out of reach of the mouse.
    m_txtAnswer->raise();
    m_command1->raise();
    m_cmdExit->raise();
    m_cmdNext->raise();

    // Screen readers find the number asked as the answer box's label.
    label("lblNum1")->setBuddy(m_txtAnswer);

    setTabOrder(m_cmdExit, m_cmdNext);
    setTabOrder(m_cmdNext, m_txtAnswer);
    setTabOrder(m_txtAnswer, m_command1);
    for (QPushButton *button :
         {static_cast<QPushButton *>(m_cmdNext), static_cast<QPushButton *>(m_cmdExit), m_command1})
        button->installEventFilter(this);
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
    // F10 opens the menu bar, as on every desktop: keys alone reach "nuovo".
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, bar,
            [bar] { bar->setActiveAction(bar->actions().first()); });
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

void TavolaWindow::closeEvent(QCloseEvent *event)
{
    emit closed();
    QMainWindow::closeEvent(event);
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
    // Enter on a focused button clicks that button.
    if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent *>(event))) {
        if (auto *button = qobject_cast<QPushButton *>(watched); button->isEnabled())
            button->click();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace ui
