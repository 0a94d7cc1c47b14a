// SPDX-License-Identifier: GPL-3.0-or-later
// The aids of a child's learning plan: a race read aloud, in order and never
// in a key's way; colours of high contrast that every text reads at 7:1 on
// whatever lies behind it. Neither changes the race.
#include "backdrop.h"
#include "classdata.h"
#include "contrast.h"
#include "race.h"
#include "register.h"
#include "surface.h"

#include <QFile>

namespace {
// A register in the race's folder with her settings.
void setUp(Race &race, const QString &name, const registro::Adaptation &settings)
{
    const QString path = registro::registerPath(race.fake.data + u'/');
    QVERIFY(registro::Register::create(path).isOpen());
    QCOMPARE(
        registro::Register::open(path, registro::Access::ReadWrite).setAdaptation(name, settings),
        QString());
}

// Every colour a transparent text may lie on: each tint's bands, and the
// black window after a wrong answer.
QList<QRgb> backdropColours(bool dimmed)
{
    QList<QRgb> colours{qRgb(0, 0, 0)};
    for (int tint = 0; tint < 15; ++tint) {
        QImage bands(1, 256, QImage::Format_RGB32);
        drill::paintBands(bands, 10 * tint, dimmed);
        for (int y = 0; y < 256; ++y)
            colours << bands.pixel(0, y);
    }
    return colours;
}

// The least contrast of a control's text over everything that may lie behind
// it, in each state it can be in (only the buttons are ever disabled), as
// its palette says.
double leastContrast(const QWidget &control, const ui::ControlEntry &entry, bool dimmed)
{
    const auto [fore, back] =
        entry.kind == ui::Kind::TextBox         ? std::pair(QPalette::Text, QPalette::Base)
        : entry.kind == ui::Kind::CommandButton ? std::pair(QPalette::ButtonText, QPalette::Button)
                                                : std::pair(QPalette::WindowText, QPalette::Window);
    const bool opaque = entry.kind != ui::Kind::Label || control.autoFillBackground();
    double least = 21;
    QList<QPalette::ColorGroup> groups{QPalette::Active};
    if (entry.kind == ui::Kind::CommandButton)
        groups << QPalette::Disabled;
    for (const QPalette::ColorGroup group : groups) {
        const QRgb text = control.palette().color(group, fore).rgb();
        const QList<QRgb> behind = opaque ? QList<QRgb>{control.palette().color(group, back).rgb()}
                                          : backdropColours(dimmed);
        for (const QRgb colour : behind)
            least = std::min(least, ui::contrastRatio(text, colour));
    }
    return least;
}
} // namespace

class TestAids : public QObject {
    Q_OBJECT
private slots:
    void everyTextReadsInHighContrast_data();
    void everyTextReadsInHighContrast();
    void readAloud_data();
    void readAloud();
};

void TestAids::everyTextReadsInHighContrast_data()
{
    QTest::addColumn<QString>("control");
    for (const ui::ControlEntry &entry : ui::controlTable())
        if (entry.kind != ui::Kind::Timer && entry.kind != ui::Kind::Image &&
            !(entry.flags & ui::flag::Hidden))
            QTest::newRow(entry.name) << QString::fromLatin1(entry.name);
}

void TestAids::everyTextReadsInHighContrast()
{
    QFETCH(QString, control);
    const auto table = ui::controlTable();
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [&](const ui::ControlEntry &e) { return control == e.name; });
    // A race for a child who needs it, as the drill makes it.
    Race race("Ugo");
    setUp(race, "Ugo", {5, false, false, true});
    QVERIFY(race.start());
    const QWidget *widget = race.window().findChild<QWidget *>(control);
    QVERIFY(widget);
    const double least = leastContrast(*widget, *entry, true);
    QVERIFY2(least >= ui::ReadableContrast, qPrintable(QString("%1:1").arg(least)));
    // What lies behind it is what was measured: the dimmed bands, painted.
    const QImage painted = race.window().surface()->composed();
    const QList<QRgb> dimmed = backdropColours(true);
    for (const int y : {0, painted.height() / 2, painted.height() - 1})
        QVERIFY(dimmed.contains(painted.pixel(painted.width() / 2, y)));
}

void TestAids::readAloud_data()
{
    QTest::addColumn<registro::Adaptation>("settings");
    QTest::addColumn<bool>("screenReader");
    QTest::addColumn<bool>("spoken");
    QTest::newRow("voice set for her")
        << registro::Adaptation{5, false, true, false} << false << true;
    QTest::newRow("voice and contrast")
        << registro::Adaptation{5, false, true, true} << false << true;
    QTest::newRow("no voice") << registro::Adaptation{5, false, false, true} << false << false;
    QTest::newRow("a screen reader reads instead")
        << registro::Adaptation{5, false, true, false} << true << false;
}

// The number, the feedback, the minutes left and the end, in order; the
// time left waits for what is being said, a new question cuts it off. The
// race stays the race of everyone: its record, its sounds.
void TestAids::readAloud()
{
    QFETCH(registro::Adaptation, settings);
    QFETCH(bool, screenReader);
    QFETCH(bool, spoken);
    Race race("Ugo");
    race.fake.screenReader = screenReader;
    setUp(race, "Ugo", settings);
    QVERIFY(race.start());
    const QString first = race.caption("lblNum1");
    const int expected = 10 - first.toInt();
    race.answer(QString::number(expected == 1 ? 2 : 1));
    race.next();
    const QString second = race.caption("lblNum1");
    race.runClock(301);
    QCOMPARE(race.fake.endStatus, std::optional(0));
    const QStringList all{first,
                          QStringLiteral("Sbagliato!! %1").arg(expected),
                          second,
                          "…Mancano 4 minuti",
                          "…Mancano 3 minuti",
                          "…Mancano 2 minuti",
                          "…Manca un minuto",
                          "…Mancano dieci secondi",
                          "Tempo scaduto! Risposte esatte: 0.",
                          "…Ciao, alla prossima sfida. "};
    QCOMPARE(race.fake.spoken, spoken ? all : QStringList());
    QVERIFY(race.fake.playedSounds.constFirst().endsWith("no.wav"));
    QCOMPARE(race.fake.boxTexts().mid(1), QStringList{"Ciao, alla prossima sfida. "});
    QStringList problems;
    const QList<registro::Child> children =
        registro::loadClass({registro::registerPath(race.fake.data + u'/')}, &problems);
    QCOMPARE(children.value(0).races.value(0).adaptation, QString()); // the race of everyone
}

QTEST_MAIN(TestAids)
#include "tst_aids.moc"
