// SPDX-License-Identifier: GPL-3.0-or-later
#include "race.h"
#include "surface.h"

#include <QClipboard>
#include <QKeyEvent>

namespace {
constexpr double Three = 0.35; // a draw that shows 3, so 7 is right

void press(QWidget *w, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(w, &down);
    QApplication::sendEvent(w, &up);
}
} // namespace

class TestAnswers : public QObject {
    Q_OBJECT
private slots:
    void keyFilter_data();
    void keyFilter();
    void editingKeysStillWork();
    void pastedTextKeepsOnlyDigits();
    void judging_data();
    void judging();
    void secondEnterPosesTheNextQuestion();
    void nextQuestionRepaintsTheBlackWindow();
    void shortRace();
    void tabFollowsTheFocusOrder();
};

void TestAnswers::keyFilter_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passes");
    for (int d = 0; d <= 9; ++d) {
        const QString digit = QString::number(d);
        QTest::addRow("digit %d", d) << int(Qt::Key_0 + d) << int(Qt::NoModifier) << digit << true;
        QTest::addRow("keypad %d", d)
            << int(Qt::Key_0 + d) << int(Qt::KeypadModifier) << digit << true;
    }
    // Layouts: the character typed counts, not the key it sits on.
    QTest::newRow("French shifted 0") << int(Qt::Key_0) << int(Qt::ShiftModifier) << "0" << true;
    QTest::newRow("French unshifted à") << int(Qt::Key_Agrave) << 0 << "à" << false;
    QTest::newRow("German shifted 7 is /")
        << int(Qt::Key_Slash) << int(Qt::ShiftModifier) << "/" << false;
    QTest::newRow("Italian è") << int(Qt::Key_Egrave) << 0 << "è" << false;
    QTest::newRow("letter") << int(Qt::Key_A) << 0 << "a" << false;
    QTest::newRow("space") << int(Qt::Key_Space) << 0 << " " << false;
    QTest::newRow("plus") << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << "+" << false;
    QTest::newRow("minus") << int(Qt::Key_Minus) << 0 << "-" << false;
    QTest::newRow("point") << int(Qt::Key_Period) << 0 << "." << false;
    QTest::newRow("keypad decimal comma")
        << int(Qt::Key_Comma) << int(Qt::KeypadModifier) << "," << false;
}

void TestAnswers::keyFilter()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(bool, passes);
    Race race;
    QVERIFY(race.start());
    press(race.answerBox(), Qt::Key(key), Qt::KeyboardModifiers(modifiers), text);
    QCOMPARE(race.answerBox()->text(), passes ? text : QString());
    QCOMPARE(race.state().RightCount + race.state().WrongCount, 0);
}

void TestAnswers::editingKeysStillWork()
{
    Race race;
    QVERIFY(race.start());
    QTest::keyClicks(race.answerBox(), "123");
    QTest::keyClick(race.answerBox(), Qt::Key_Backspace);
    QCOMPARE(race.answerBox()->text(), QString("12"));
    QTest::keyClick(race.answerBox(), Qt::Key_Home);
    QTest::keyClick(race.answerBox(), Qt::Key_Delete);
    QCOMPARE(race.answerBox()->text(), QString("2"));
    QTest::keyClick(race.answerBox(), Qt::Key_End);
    QTest::keyClicks(race.answerBox(), "34567");
    QCOMPARE(race.answerBox()->text(), QString("2345")); // at most four
}

void TestAnswers::pastedTextKeepsOnlyDigits()
{
    Race race;
    QVERIFY(race.start());
    QApplication::clipboard()->setText("12ab34x");
    race.answerBox()->paste(); // as the context menu and a middle click do
    QCOMPARE(race.answerBox()->text(), QString("1234"));
    race.answerBox()->clear();
    QTest::keyClick(race.answerBox(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(race.answerBox()->text(), QString()); // Ctrl+V types no digit
    race.answerBox()->clear();
    race.answerBox()->insert("a9 b");
    QCOMPARE(race.answerBox()->text(), QString("9"));
}

void TestAnswers::judging_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("right");
    QTest::newRow("right") << "7" << true;
    QTest::newRow("wrong") << "6" << false;
    QTest::newRow("empty box") << "" << false;
    QTest::newRow("leading zeros") << "0007" << true;
    QTest::newRow("ten") << "10" << false;
}

void TestAnswers::judging()
{
    QFETCH(QString, typed);
    QFETCH(bool, right);
    Race race;
    race.fake.randoms = {0.0, Three};
    QVERIFY(race.start());
    QCOMPARE(race.state().ExpectedAnswer, 7);
    race.answer(typed);

    const QString folder = race.fake.program + "/suoni/";
    QCOMPARE(race.caption("lblMessage"),
             right ? QString("Esatto! Anna Sei forte!") : QString("Sbagliato!! 7"));
    QCOMPARE(race.fake.playedSounds, QStringList{folder + (right ? "Esatto.wav" : "no.wav")});
    QCOMPARE(race.caption("lblScore"), right ? QString("1") : QString("0"));
    QCOMPARE(race.caption("lblScore1"), right ? QString("0") : QString("1"));
    QCOMPARE(race.caption("lblScore2"), QString("1"));
    QCOMPARE(race.window().surface()->backColor() == Qt::black, !right);
    QCOMPARE(race.answerBox()->text(), typed); // cleared only by the next question
    QVERIFY(race.window().cmdNext()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), race.window().cmdNext());
}

void TestAnswers::secondEnterPosesTheNextQuestion()
{
    Race race;
    race.fake.randoms = {0.0, Three, 0.0, 0.55};
    QVERIFY(race.start());
    race.answer("7");
    race.answerBox()->setFocus(); // the child clicks back into the box
    QTest::keyClick(race.answerBox(), Qt::Key_Return);
    QCOMPARE(race.state().RightCount, 1);
    QCOMPARE(race.caption("lblScore2"), QString("1"));
    QCOMPARE(race.caption("lblNum1"), QString("5"));
    QCOMPARE(race.answerBox()->text(), QString());
}

void TestAnswers::nextQuestionRepaintsTheBlackWindow()
{
    Race race;
    race.fake.randoms = {0.0, Three, 0.0, Three};
    QVERIFY(race.start());
    race.answer("1");
    ui::Surface *surface = race.window().surface();
    QCOMPARE(surface->composed().pixel(5, surface->height() - 1), qRgb(0, 0, 0));
    race.next();
    QCOMPARE(surface->composed().pixel(5, surface->height() - 1), qRgb(0, 0, 255));
}

void TestAnswers::shortRace()
{
    Race race;
    for (int i = 0; i < 5; ++i)
        race.fake.randoms << 0.0 << Three;
    QVERIFY(race.start());
    const QStringList answers = {"7", "7", "1", "7", "2"};
    for (qsizetype i = 0; i < answers.size(); ++i) {
        if (i > 0)
            race.next();
        race.answer(answers[i]);
    }
    QCOMPARE(race.caption("lblScore"), QString("3"));
    QCOMPARE(race.caption("lblScore1"), QString("2"));
    QCOMPARE(race.caption("lblScore2"), QString("5"));
    QCOMPARE(race.fake.playedSounds.size(), 5);
}

void TestAnswers::tabFollowsTheFocusOrder()
{
    Race race;
    race.fake.randoms = {0.0, Three};
    QVERIFY(race.start());
    QTest::keyClicks(race.answerBox(), "7");
    QTest::keyClick(race.answerBox(), Qt::Key_Tab); // never reaches the key-press notice
    QCOMPARE(QApplication::focusWidget(), race.window().command1());
    QCOMPARE(race.answerBox()->text(), QString("7"));
    race.answerBox()->setFocus();
    QTest::keyClick(race.answerBox(), Qt::Key_Return);
    QCOMPARE(race.window().cmdNext()->accessibleDescription(),
             QString("Esatto! Anna Sei forte!\nRisposte esatte 1, errate 0, totali 1."));

    ui::TavolaWindow &w = race.window();
    const QList<QWidget *> order = {w.cmdNext(), w.txtAnswer(), w.command1(), w.cmdExit(),
                                    w.cmdNext()};
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    for (qsizetype i = order.size() - 2; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    QCOMPARE(race.state().RightCount + race.state().WrongCount, 1);
}

QTEST_MAIN(TestAnswers)
#include "tst_answers.moc"
