// SPDX-License-Identifier: GPL-3.0-or-later
#include "race.h"
#include "surface.h"

#include <QMenuBar>
#include <QSet>

namespace {
// Poses the next question the way the child does, with Enter on cmdNext.
void pose(const Race &race)
{
    race.window().cmdNext()->setEnabled(true);
    race.window().cmdNext()->click();
}

int bandOfRow(int row, int height)
{
    int band = 0;
    while (band < 255 && (band + 1) * height / 256 <= row)
        ++band;
    return band;
}
} // namespace

class TestQuestions : public QObject {
    Q_OBJECT
private slots:
    void numbersCoverOneToNine();
    void scriptedDraws_data();
    void scriptedDraws();
    void firstTintComesBeforeTheFirstReseed();
    void questionResetsTheWindow();
    void bandsCoverTheClientArea_data();
    void bandsCoverTheClientArea();
    void fillColourErasesUntilTheNextQuestion();
    void onlyTheFirstActivationPosesAQuestion();
};

void TestQuestions::numbersCoverOneToNine()
{
    Race race;
    QVERIFY(race.start());
    QSet<int> seen;
    bool repeated = false;
    QString previous;
    for (int i = 0; i < 400; ++i) {
        pose(race);
        const QString shown = race.caption("lblNum1");
        const int n = shown.toInt();
        QVERIFY2(n >= 1 && n <= 9 && shown.size() == 1, qPrintable(shown));
        QCOMPARE(race.state().ExpectedAnswer, 10 - n);
        QVERIFY(race.state().TintLevel >= 0 && race.state().TintLevel <= 14);
        repeated = repeated || shown == previous;
        previous = shown;
        seen.insert(n);
    }
    QCOMPARE(seen.size(), 9);
    QVERIFY(repeated);
}

void TestQuestions::scriptedDraws_data()
{
    QTest::addColumn<QList<double>>("draws");
    QTest::addColumn<int>("tint");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("rndCalls");
    QTest::newRow("lowest") << QList<double>{0.0, 0.1} << 0 << "1" << 2;
    QTest::newRow("highest") << QList<double>{0.9999, 0.9999} << 14 << "9" << 2;
    QTest::newRow("zero is drawn again") << QList<double>{0.5, 0.0, 0.09, 0.34} << 7 << "3" << 4;
}

void TestQuestions::scriptedDraws()
{
    QFETCH(QList<double>, draws);
    QFETCH(int, tint);
    QFETCH(QString, shown);
    QFETCH(int, rndCalls);
    Race race;
    QVERIFY(race.start());
    race.fake.calls.clear();
    race.fake.randoms = draws;
    pose(race);
    QCOMPARE(race.state().TintLevel, tint);
    QCOMPARE(race.caption("lblNum1"), shown);
    QCOMPARE(race.fake.calls.count("rnd"), rndCalls);
    // Only the first draw precedes the one reseed; redraws do not reseed again.
    QCOMPARE(race.fake.calls.indexOf("randomize"), 1);
    QCOMPARE(race.fake.calls.count("randomize"), 1);
}

void TestQuestions::firstTintComesBeforeTheFirstReseed()
{
    Race race;
    QVERIFY(race.start());
    QStringList draws = race.fake.calls.filter(QRegularExpression("^(rnd|randomize)$"));
    QCOMPARE(draws.mid(0, 3), QStringList({"rnd", "randomize", "rnd"}));
}

void TestQuestions::questionResetsTheWindow()
{
    Race race;
    QVERIFY(race.start());
    race.answer("5");
    QVERIFY(race.window().cmdNext()->isEnabled());
    race.next();
    QCOMPARE(race.answerBox()->text(), QString());
    QCOMPARE(race.caption("lblMessage"), QString());
    QVERIFY(!race.window().cmdNext()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), race.answerBox());
}

void TestQuestions::bandsCoverTheClientArea_data()
{
    QTest::addColumn<int>("height");
    QTest::newRow("restored window") << 554;
    QTest::newRow("full HD") << 1080;
    QTest::newRow("4K, bands over 4 pixels") << 2160;
}

void TestQuestions::bandsCoverTheClientArea()
{
    QFETCH(int, height);
    Race race;
    QVERIFY(race.start());
    ui::TavolaWindow &w = race.window();
    w.showNormal();
    w.resize(700, height + w.menuBar()->height());
    QTRY_COMPARE(w.surface()->height(), height);
    race.fake.randoms = {0.5, 0.5}; // tint 7
    pose(race);
    const QImage shown = w.surface()->composed();
    QCOMPARE(shown.height(), height);
    const int grey = 70;
    for (int row = 0; row < height; ++row) {
        const QRgb expected = qRgb(grey, grey, bandOfRow(row, height));
        QCOMPARE(shown.pixel(0, row), expected);
        QCOMPARE(shown.pixel(shown.width() - 1, row), expected);
    }
    QCOMPARE(shown.pixel(350, 0), qRgb(grey, grey, 0));
    QCOMPARE(shown.pixel(350, height - 1), qRgb(grey, grey, 255));
}

void TestQuestions::fillColourErasesUntilTheNextQuestion()
{
    Race race;
    QVERIFY(race.start());
    ui::Surface *surface = race.window().surface();
    race.fake.randoms = {0.0, 0.5}; // tint 0: black to blue
    pose(race);
    const int bottom = surface->height() - 1;
    QCOMPARE(surface->composed().pixel(10, bottom), qRgb(0, 0, 255));

    surface->setBackColor(Qt::black);
    QCOMPARE(surface->composed().pixel(10, bottom), qRgb(0, 0, 0));
    race.window().showNormal();
    race.window().resize(600, 400);
    QTest::qWait(20);
    QCOMPARE(surface->composed().pixel(10, surface->height() - 1), qRgb(0, 0, 0));

    race.fake.randoms = {0.0, 0.5};
    pose(race);
    QCOMPARE(surface->composed().pixel(10, surface->height() - 1), qRgb(0, 0, 255));
}

void TestQuestions::onlyTheFirstActivationPosesAQuestion()
{
    Race race;
    QVERIFY(race.start());
    const int draws = race.fake.calls.count("rnd");
    // Switching to another program and back.
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(&race.window(), &deactivate);
    QApplication::sendEvent(&race.window(), &activate);
    QTest::qWait(20);
    QCOMPARE(race.fake.calls.count("rnd"), draws);
    // An activation notice poses a question even while one is open.
    race.fake.randoms = {0.0, 0.45};
    emit race.window().activated();
    QCOMPARE(race.caption("lblNum1"), QString("4"));
}

QTEST_MAIN(TestQuestions)
#include "tst_questions.moc"
