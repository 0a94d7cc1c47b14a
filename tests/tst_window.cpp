// SPDX-License-Identifier: GPL-3.0-or-later
#include "answerbox.h"
#include "artwork.h"
#include "captionlabel.h"
#include "controlfactory.h"
#include "controltable.h"
#include "picturebutton.h"
#include "surface.h"
#include "tavolawindow.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

using namespace ui;

Q_DECLARE_METATYPE(const ui::ControlEntry *)

namespace {
QString expectedFace(const char *face)
{
    const QString f = QString::fromLatin1(face);
    if (f == "Times New Roman")
        return "Liberation Serif";
    if (f == "Arial Black")
        return "DejaVu Sans";
    return "Liberation Sans";
}

QPalette::ColorRole foreRole(Kind kind)
{
    return kind == Kind::TextBox         ? QPalette::Text
           : kind == Kind::CommandButton ? QPalette::ButtonText
                                         : QPalette::WindowText;
}

QPalette::ColorRole backRole(Kind kind)
{
    return kind == Kind::TextBox         ? QPalette::Base
           : kind == Kind::CommandButton ? QPalette::Button
                                         : QPalette::Window;
}
} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyControl_data();
    void everyControl();
    void restoredClientArea();
    void stackingAndHiddenButton();
    void menus();
    void autoSizeGrowsRightAndDown();
    void enterFollowsTheDefaultButton();
    void accessKeysOnlyWhileEnabled();
    void artwork();

private:
    std::unique_ptr<TavolaWindow> m_window;
    QList<std::int16_t> m_keys;
};

void TestWindow::init()
{
    m_window = std::make_unique<TavolaWindow>();
    m_keys.clear();
    m_window->txtAnswer()->setKeyPressHandler([this](std::int16_t &code) { m_keys << code; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestWindow::cleanup()
{
    m_window.reset();
}

void TestWindow::everyControl_data()
{
    QTest::addColumn<const ControlEntry *>("entry");
    for (const ControlEntry &entry : controlTable())
        QTest::newRow(entry.name) << &entry;
}

void TestWindow::everyControl()
{
    QFETCH(const ControlEntry *, entry);
    QWidget *w = m_window->findChild<QWidget *>(entry->name);
    if (entry->kind == Kind::Timer) {
        QVERIFY(!w); // the clock's timer belongs to the drill
        return;
    }
    QVERIFY(w);
    QCOMPARE(w->geometry(), twipsToPixels(entry->twips));
    QCOMPARE(w->isVisibleTo(m_window.get()), !(entry->flags & flag::Hidden));
    QCOMPARE(w->isEnabled(), !(entry->flags & flag::Disabled));
    QCOMPARE(w->toolTip(), entry->tooltip ? QString::fromUtf8(entry->tooltip) : QString());

    if (entry->font.face) {
        QCOMPARE(w->font().family(), QString::fromLatin1(entry->font.face));
        QCOMPARE(w->font().pointSizeF(), entry->font.points);
        QCOMPARE(w->font().bold(), entry->font.bold);
        QCOMPARE(w->font().italic(), entry->font.italic);
        QCOMPARE(QFontInfo(w->font()).family(), expectedFace(entry->font.face));
    }
    if (entry->fore)
        QCOMPARE(w->palette().color(foreRole(entry->kind)), QColor::fromRgb(*entry->fore));
    if (entry->back)
        QCOMPARE(w->palette().color(backRole(entry->kind)), QColor::fromRgb(*entry->back));

    switch (entry->kind) {
    case Kind::Label: {
        auto *label = qobject_cast<CaptionLabel *>(w);
        QVERIFY(label);
        QCOMPARE(label->caption(), QString::fromUtf8(entry->caption));
        QCOMPARE(label->frameWidth(), (entry->flags & flag::Border) ? 2 : 0);
        QCOMPARE(label->autoSize(), bool(entry->flags & flag::AutoSize));
        QCOMPARE(label->wordWrap(), !(entry->flags & flag::AutoSize));
        QCOMPARE(label->autoFillBackground(), bool(entry->flags & flag::Opaque));
        QCOMPARE(bool(label->alignment() & Qt::AlignHCenter), bool(entry->flags & flag::Centred));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        // A screen reader reads the caption; the role is only described.
        QVERIFY(!label->accessibleDescription().isEmpty());
        QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(label);
        QCOMPARE(reader->text(QAccessible::Name), label->text());
        QCOMPARE(reader->text(QAccessible::Description), label->accessibleDescription());
        break;
    }
    case Kind::TextBox:
        QTest::keyClicks(w, "123456");
        QCOMPARE(qobject_cast<QLineEdit *>(w)->text(), QString("1234"));
        QVERIFY(!w->accessibleName().isEmpty());
        break;
    case Kind::CommandButton:
        QVERIFY(!QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty());
        QCOMPARE(qobject_cast<QPushButton *>(w)->text(), QString::fromUtf8(entry->caption));
        QCOMPARE(qobject_cast<PictureButton *>(w) != nullptr, bool(entry->flags & flag::Graphical));
        QVERIFY(!w->accessibleName().isEmpty());
        break;
    case Kind::Image:
        QCOMPARE(qobject_cast<QLabel *>(w)->pixmap().deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(w->focusPolicy(), Qt::NoFocus);
        break;
    case Kind::Timer:
        break;
    }
}

void TestWindow::restoredClientArea()
{
    // Shown restored, the client area holds exactly the 11880 x 8310 twips layout.
    QCOMPARE(m_window->surface()->size(), QSize(792, 554));
    QCOMPARE(m_window->surface()->mapTo(m_window.get(), QPoint(0, 0)).x(), 0);
    QCOMPARE(m_window->accessibleName(), QString("Dimmi il dorvo per arrivare a dieci"));
}

void TestWindow::stackingAndHiddenButton()
{
    const QObjectList order = m_window->surface()->children();
    auto index = [&](const char *name) {
        return order.indexOf(m_window->findChild<QWidget *>(name));
    };
    int topLabel = -1;
    for (const ControlEntry &entry : controlTable())
        if (entry.kind == Kind::Label || entry.kind == Kind::Image)
            topLabel = std::max(topLabel, int(index(entry.name)));
    for (const char *name : {"txtAnswer", "cmdNext", "cmdExit", "Command1"})
        QVERIFY2(index(name) > topLabel, name);
    QVERIFY(index("Command1") < index("cmdNext"));
    QVERIFY(m_window->cmdNext()->geometry().contains(m_window->command1()->geometry()));
    // The mouse cannot reach it: cmdNext is what lies under its centre.
    const QPoint centre = m_window->command1()->geometry().center();
    QCOMPARE(m_window->surface()->childAt(centre), m_window->cmdNext());
}

void TestWindow::menus()
{
    const QList<QAction *> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar[0]->menu()->objectName(), QString("wp"));
    QCOMPARE(bar[1]->menu()->objectName(), QString("Ciao"));
    QStringList names;
    for (QAction *a : bar[0]->menu()->actions() + bar[1]->menu()->actions())
        names << a->objectName();
    QCOMPARE(names, QStringList({"v", "a", "Next", "agli"}));
    QCOMPARE(m_window->nextAction()->text(), QString("nuovo"));
    // The credits name an invented school on a domain reserved for examples.
    QVERIFY(bar[0]->text().endsWith(".example"));
    QVERIFY(bar[1]->menu()->actions().last()->text().startsWith("*** "));
    QVERIFY(bar[1]->menu()->actions().last()->text().endsWith(" ***"));
    QSignalSpy chosen(m_window->nextAction(), &QAction::triggered);
    m_window->nextAction()->trigger();
    QCOMPARE(chosen.size(), 1);
}

void TestWindow::autoSizeGrowsRightAndDown()
{
    CaptionLabel *name = m_window->label("lblnome1");
    const QPoint corner = name->pos();
    name->setCaption("Massimiliano Bartolomeo");
    QCOMPARE(name->pos(), corner);
    QVERIFY(name->width() > 200);
    const int oneLine = name->height();
    name->setCaption("Anna\r\n");
    QCOMPARE(name->caption(), QString("Anna\r\n")); // read back unchanged
    QVERIFY(name->height() > oneLine);              // the line end makes a second line
    QVERIFY(name->width() < 100);

    // A fixed label keeps its size and wraps.
    CaptionLabel *message = m_window->label("lblMessage");
    const QRect before = message->geometry();
    message->setCaption("Esatto! Massimiliano Bartolomeo della Rovere Sei forte!");
    QCOMPARE(message->geometry(), before);
}

void TestWindow::enterFollowsTheDefaultButton()
{
    QSignalSpy next(m_window->cmdNext(), &QPushButton::clicked);
    QSignalSpy exit(m_window->cmdExit(), &QPushButton::clicked);
    m_window->txtAnswer()->setFocus();

    QTest::keyClick(m_window->txtAnswer(), Qt::Key_Return);
    QCOMPARE(m_keys, QList<std::int16_t>({13}));
    QCOMPARE(next.size(), 0);

    m_window->cmdNext()->setEnabled(true);
    QTest::keyClick(m_window->txtAnswer(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(next.size(), 1);
    QCOMPARE(m_keys.size(), 1);

    // On another button, Enter clicks that button.
    m_window->cmdExit()->setFocus();
    QTest::keyClick(m_window->cmdExit(), Qt::Key_Return);
    QCOMPARE(exit.size(), 1);
    QCOMPARE(next.size(), 1);
    m_window->command1()->setFocus();
    QTest::keyClick(m_window->command1(), Qt::Key_Return);
    QCOMPARE(next.size(), 1);
}

void TestWindow::accessKeysOnlyWhileEnabled()
{
    QSignalSpy next(m_window->cmdNext(), &QPushButton::clicked);
    QSignalSpy exit(m_window->cmdExit(), &QPushButton::clicked);
    m_window->txtAnswer()->setFocus();
    QTest::keyClick(m_window.get(), Qt::Key_N, Qt::AltModifier);
    QTest::qWait(250);
    QCOMPARE(next.size(), 0);
    m_window->cmdNext()->setEnabled(true);
    QTest::keyClick(m_window.get(), Qt::Key_N, Qt::AltModifier);
    QVERIFY(next.size() == 1 || next.wait(1000));
    QTest::keyClick(m_window.get(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(exit.size() == 1 || exit.wait(1000));
}

void TestWindow::artwork()
{
    PictureButton *next = m_window->cmdNext();
    const QImage disabled = next->currentPicture().toImage();
    next->setEnabled(true);
    const QImage normal = next->currentPicture().toImage();
    next->setDown(true);
    const QImage pressed = next->currentPicture().toImage();
    QCOMPARE(normal.size(), QSize(32, 32));
    QVERIFY(normal != disabled && normal != pressed && pressed != disabled);
    // Not blank: the face's yellow is in the middle of the picture.
    QCOMPARE(QColor(normal.pixel(16, 8)).name(), QString("#ffe000"));
    QVERIFY(!m_window->windowIcon().isNull());
    QCOMPARE(artwork::headCursor().pixmap().size(), QSize(48, 48));
    QVERIFY(m_window->surface()->cursor().shape() == Qt::BitmapCursor);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
