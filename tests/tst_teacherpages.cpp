// SPDX-License-Identifier: GPL-3.0-or-later
// What the teacher takes away from her window: names in the order and the
// spelling she expects, room for a child's races, a chart with every race,
// and the two printed pages, read back from the PDF.
#include "classdata.h"
#include "classfixture.h"
#include "registertest.h"
#include "registerwindow.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TestTeacherPages : public QObject {
    Q_OBJECT
private slots:
    void namesInItalianOrder();
    void oneSpellingShown_data();
    void oneSpellingShown();
    void raceListHasRoom();
    void reportsForTheWallAndTheFamily();
    void chartHasEveryRace_data();
    void chartHasEveryRace();
    void namesSheCanMend_data();
    void namesSheCanMend();
};

// As an Italian reads them, whatever the machine's language (the suite runs
// under the C locale, which sorts by code point).
void TestTeacherPages::namesInItalianOrder()
{
    QTemporaryDir tmp;
    QList<std::tuple<QString, int, registro::Ending>> races;
    for (const QString name : {"bea", "Zoe", "Àlex", "Bambino 10", "Ada", "Bambino 2", "Élia"})
        races.append({name, 1, registro::Ending::Clock});
    registroui::RegisterWindow window(registerWith(tmp.path(), races));
    QStringList shown;
    for (int row = 0; row < window.classTable()->rowCount(); ++row)
        shown << window.classTable()->item(row, 0)->text();
    QCOMPARE(shown, QStringList({"Ada", "Àlex", "Bambino 2", "Bambino 10", "bea", "Élia", "Zoe"}));
}

void TestTeacherPages::oneSpellingShown_data()
{
    QTest::addColumn<QStringList>("typed"); // one race each, a day apart, oldest first
    QTest::addColumn<QString>("shown");
    QTest::newRow("a slip once") << QStringList{"Giulia", "Giula", "Giulia"} << "Giulia";
    QTest::newRow("the first spelling is not kept")
        << QStringList{"giulia", "Giulia", "Giulia"} << "Giulia";
    QTest::newRow("as often: the latest") << QStringList{"Giulia", "GIULIA"} << "GIULIA";
    QTest::newRow("spaces around are no spelling") << QStringList{" Ugo", "Ugo ", "UGO"} << "Ugo";
}

// One rule for the name a child is shown under, everywhere.
void TestTeacherPages::oneSpellingShown()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, shown);
    QList<std::pair<QString, QString>> races;
    for (int i = 0; i < typed.size(); ++i)
        races.append({typed[i], registro::timestamp(Day.addDays(i))});
    QCOMPARE(registro::mostUsedSpelling(races), shown);
}

// At its size on a 1024 x 768 screen, the chosen child's list shows at
// least eight races without scrolling.
void TestTeacherPages::raceListHasRoom()
{
    QTemporaryDir tmp;
    QList<std::tuple<QString, int, registro::Ending>> races;
    for (int i = 0; i < 12; ++i)
        races.append({"Pietro", i % 5, registro::Ending::Clock});
    registroui::RegisterWindow window(registerWith(tmp.path(), races));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.width() <= 1024 && window.height() <= 768 - 60);
    QTableWidget *list = window.racesTable();
    QCOMPARE(list->rowCount(), 12);
    QVERIFY2(list->viewport()->height() >= 8 * list->rowHeight(0),
             qPrintable(QStringLiteral("%1 px for rows of %2 px")
                            .arg(list->viewport()->height())
                            .arg(list->rowHeight(0))));
}

namespace {
// A poppler tool's output on the PDF: its text, or its information.
QString poppler(const char *tool, const QString &pdf)
{
    QProcess p;
    p.start(QString::fromLatin1(tool),
            qstrcmp(tool, "pdftotext") == 0 ? QStringList{pdf, "-"} : QStringList{pdf});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

// A class of 25 on one page that names the class; a child's page for her
// family that names no other child.
void TestTeacherPages::reportsForTheWallAndTheFamily()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QStringList names = {"Ada",   "Bruno", "Carla", "Dario", "Elena",  "Fabio", "Gina",
                               "Ivo",   "Lia",   "Marco", "Nina",  "Oscar",  "Pia",   "Rocco",
                               "Sara",  "Tina",  "Ugo",   "Vera",  "Walter", "Zelda", "Alba",
                               "Beppe", "Cloe",  "Dino",  "Ester"};
    QTemporaryDir tmp;
    QList<std::tuple<QString, int, registro::Ending>> races;
    for (int i = 0; i < 4; ++i)
        for (const QString &name : names)
            races.append({name, i + 2, i == 3 ? registro::Ending::Exit : registro::Ending::Clock});
    const QString path = registerWith(tmp.path(), races);
    QVERIFY(RawWriter(path).run("UPDATE races SET class = '3B'"));
    registroui::RegisterWindow window(path);
    QVERIFY(window.choose("Pia"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const auto print = [&](const QString &pdf, bool child) {
        printer.setOutputFileName(pdf);
        window.printTo(printer, child);
        return poppler("pdftotext", pdf);
    };
    const QString wall = print(tmp.filePath("classe.pdf"), false);
    QVERIFY2(wall.contains("Classe 3B") && wall.contains("Zelda"), qPrintable(wall));
    QVERIFY2(
        poppler("pdfinfo", tmp.filePath("classe.pdf")).contains(QRegularExpression("Pages: +1\\n")),
        qPrintable(poppler("pdfinfo", tmp.filePath("classe.pdf"))));
    const QString family = print(tmp.filePath("pia.pdf"), true);
    QVERIFY2(family.contains("Pia") && family.contains("Classe 3B"), qPrintable(family));
    for (const QString &other : names)
        if (other != "Pia")
            QVERIFY2(!family.contains(QRegularExpression("\\b" + other + "\\b")),
                     qPrintable(other));
}

void TestTeacherPages::chartHasEveryRace_data()
{
    // Each race: its day after the first, and how it went ("fine" ran to the
    // clock; "2 minuti" was a race set for her; "uscita" was left early).
    QTest::addColumn<QStringList>("races");
    QTest::newRow("full races only") << QStringList{"0 fine", "3 fine", "9 fine"};
    QTest::newRow("practice after the last full race")
        << QStringList{"0 fine", "5 fine", "20 2 minuti", "40 2 minuti"};
    QTest::newRow("left early before the first full race")
        << QStringList{"0 uscita", "30 fine", "31 fine"};
    QTest::newRow("custom races only") << QStringList{"0 2 minuti", "7 senza tempo"};
    QTest::newRow("one race cut short") << QStringList{"0 uscita"};
}

// Her chart's dates reach every race she played, whatever kind, and no
// further than a few days beyond them.
void TestTeacherPages::chartHasEveryRace()
{
    QFETCH(QStringList, races);
    QTemporaryDir tmp;
    const QString path = registro::registerPath(tmp.path() + u'/');
    registro::Register::create(path);
    QDateTime first, last;
    for (const QString &race : races) {
        const QDateTime start = Day.addDays(race.section(' ', 0, 0).toInt());
        const QString how = race.section(' ', 1);
        const bool custom = how != "fine" && how != "uscita";
        registro::RaceRecorder recorder(path, start, "Pietro", custom ? how : QString());
        recorder.answer(start.addSecs(5), 7, "3", true, 1200);
        recorder.end(how == "uscita" ? registro::Ending::Exit : registro::Ending::Clock, false);
        first = first.isValid() ? std::min(first, start) : start;
        last = last.isValid() ? std::max(last, start) : start;
    }
    registroui::RegisterWindow window(path);
    QVERIFY(window.choose("Pietro"));
    const auto axes = window.chartView()->chart()->axes(Qt::Horizontal);
    QCOMPARE(axes.size(), 1);
    const auto *x = qobject_cast<QDateTimeAxis *>(axes.first());
    QVERIFY2(x->min() <= first && x->max() >= last.addSecs(5),
             qPrintable(x->min().toString() + " - " + x->max().toString()));
    QVERIFY(x->min() >= first.addDays(-3) && x->max() <= last.addDays(3));
}

void TestTeacherPages::namesSheCanMend_data()
{
    QTest::addColumn<QStringList>("typed"); // a race each, a day apart
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("yes");          // the teacher's answer to the box
    QTest::addColumn<QStringList>("shown"); // the class afterwards: name and races
    QTest::newRow("a misspelling mended") << QStringList{"Giula", "Bea", "giula "} << "Giula"
                                          << "Giulia" << true << QStringList{"Bea 1", "Giulia 2"};
    QTest::newRow("joined to the child she is")
        << QStringList{"Giulia", "Giula", "Bea", "Giula"} << "Giula"
        << "giulia" << true << QStringList{"Bea 1", "giulia 3"};
    QTest::newRow("only the case and spaces") << QStringList{"ugo", "ugo"} << "ugo"
                                              << " Ugo " << true << QStringList{"Ugo 2"};
    QTest::newRow("the box says no") << QStringList{"Giula", "Bea", "Giula"} << "Giula"
                                     << "Giulia" << false << QStringList{"Bea 1", "Giula 2"};
}

// The window mends a name in the register: her races and her setting follow
// her, she is shown as named, and the old spelling typed again lands under
// her (the last race of each row is typed so after the change).
void TestTeacherPages::namesSheCanMend()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, chosen);
    QFETCH(QString, to);
    QFETCH(bool, yes);
    QFETCH(QStringList, shown);
    QTemporaryDir tmp;
    QList<std::tuple<QString, int, registro::Ending>> races;
    for (const QString &name : typed.mid(0, typed.size() - 1))
        races.append({name, 3, registro::Ending::Clock});
    const QString path = registerWith(tmp.path(), races);
    QCOMPARE(registro::Register::open(path, registro::Access::ReadWrite)
                 .setAdaptation(chosen, {2, true}),
             QString());
    registroui::RegisterWindow window(path);
    window.confirm = [yes](const QString &) { return yes; };
    QVERIFY(window.choose(registro::shownName(chosen)));
    window.renameChildTo(to);
    // Her next race, typed as before.
    registro::RaceRecorder(path, Day.addDays(30), typed.last()).end(registro::Ending::Clock, false);
    window.showRegisters({path});
    QStringList now;
    for (const registro::Child &c : registro::loadClass({path}, nullptr))
        now << QStringLiteral("%1 %2").arg(c.name).arg(c.races.size());
    QCOMPARE(now, shown);
    // Her setting is hers under any of her names.
    QCOMPARE(registro::raceSettingsOf({path}, typed.last()).adaptation.minutes, 2);
}

QTEST_MAIN(TestTeacherPages)
#include "tst_teacherpages.moc"
