// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's window: deleting only on a clear yes, problems that stay in
// sight, an honest trend, a grid any eye can read, and the export and report
// of what the window shows.
#include "classdata.h"
#include "classfixture.h"
#include "recorder.h"
#include "register.h"
#include "registertest.h"
#include "registerwindow.h"
#include "report.h"
#include "summaries.h"
#include "testhelpers.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {
int rowsOf(const QString &csv)
{
    return int(fileBytes(csv).count('\n')) - 1;
}

// The sRGB colour as a viewer with this colour blindness sees it (Machado,
// Oliveira and Fernandes 2009, severity 1, applied in linear RGB).
QList<double> seenAs(const QString &hex, const double m[3][3])
{
    const QColor c(hex);
    const auto lin = [](double v) {
        v /= 255;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const auto srgb = [](double v) {
        v = std::clamp(v, 0.0, 1.0);
        return 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
    };
    const double rgb[3] = {lin(c.red()), lin(c.green()), lin(c.blue())};
    QList<double> out;
    for (int i = 0; i < 3; ++i)
        out << srgb(m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2]);
    return out;
}
} // namespace

class TestRegisterWindow : public QObject {
    Q_OBJECT
private slots:
    void deletes_data();
    void deletes();
    void enterOrEscapeOnTheBoxDeletesNothing();
    void aFailureStaysInSight();
    void trend_data();
    void trend();
    void gridReadsUnderColourBlindness_data();
    void gridReadsUnderColourBlindness();
    void exportIsWhatTheWindowShows();
    void settingsAreKeptAtOnce();
    void aRaceWithoutANameIsShown();
    void whatAChildWroteStaysText();
};

void TestRegisterWindow::deletes_data()
{
    QTest::addColumn<QString>("what");    // child, all
    QTest::addColumn<QString>("opened");  // mine, merged, merged with a newer one, newer only
    QTest::addColumn<QList<bool>>("yes"); // the answers to the boxes, in order
    QTest::addColumn<int>("races");       // left in this account's register; -1: no file
    QTest::addColumn<QString>("notice");  // a word the notice must hold, if any
    QTest::newRow("child, yes") << "child"
                                << "mine" << QList<bool>{true} << 1 << "";
    QTest::newRow("child, no") << "child"
                               << "mine" << QList<bool>{false} << 3 << "";
    QTest::newRow("all, yes then yes") << "all"
                                       << "mine" << QList<bool>{true, true} << -1 << "";
    QTest::newRow("all, yes then no") << "all"
                                      << "mine" << QList<bool>{true, false} << 3 << "";
    QTest::newRow("child, merged: from both") << "child"
                                              << "merged" << QList<bool>{true} << 1 << "";
    QTest::newRow("child, merged with a register that cannot change")
        << "child"
        << "newer" << QList<bool>{true} << 1 << "non si può cambiare";
}

void TestRegisterWindow::deletes()
{
    QFETCH(QString, what);
    QFETCH(QString, opened);
    QFETCH(QList<bool>, yes);
    QFETCH(int, races);
    QFETCH(QString, notice);
    QTemporaryDir tmp;
    const auto ada = std::tuple{QString("Ada"), 5, registro::Ending::Clock};
    const auto bea = std::tuple{QString("Bea"), 2, registro::Ending::Clock};
    const QString mine = registerWith(tmp.path(), {ada, ada, bea});
    const QString other = registerWith(tmp.path() + "/altro", {ada});
    if (opened == "newer") {
        // A register from a newer version of the program: shown, never changed.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "newer");
        db.setDatabaseName(other);
        QVERIFY(db.open() && QSqlQuery(db).exec("PRAGMA user_version = 99"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("newer");
    }
    registroui::RegisterWindow window(mine);
    QStringList asked;
    window.confirm = [&](const QString &question) {
        asked << question;
        return !yes.isEmpty() && yes.takeFirst();
    };
    if (opened != "mine")
        window.showRegisters({mine, other});
    QVERIFY(window.choose("ada"));
    if (what == "child") {
        window.deleteChild();
        const QString expected = opened == "mine" ? "Cancellare le 2 gare di Ada?"
                                                  : "Cancellare le 3 gare di Ada? Sparisce";
        QVERIFY2(asked.value(0).startsWith(expected), qPrintable(asked.value(0)));
    } else {
        window.deleteAll();
        QCOMPARE(asked.size(), 2); // a second, explicit step
    }
    QCOMPARE(races < 0 ? QString("-") : ask(mine, "SELECT count(*) FROM races"),
             races < 0 ? QString("-") : QString::number(races));
    QCOMPARE(QFileInfo::exists(mine), races >= 0);
    if (opened == "merged")
        QCOMPARE(ask(other, "SELECT count(*) FROM races"), QString("0"));
    if (opened == "newer")
        QCOMPARE(ask(other, "SELECT count(*) FROM races"), QString("1"));
    QVERIFY2(window.notice()->text().contains(notice), qPrintable(window.notice()->text()));
    QCOMPARE(window.notice()->isVisibleTo(&window), !window.notice()->text().isEmpty());
}

void TestRegisterWindow::enterOrEscapeOnTheBoxDeletesNothing()
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Enter}) {
        // Pressed once the box is up: the answer a stray key gives.
        std::function<void()> press = [&] {
            if (QWidget *box = QApplication::activeModalWidget())
                QTest::keyClick(box, key);
            else
                QTimer::singleShot(10, press);
        };
        QTimer::singleShot(0, press);
        QVERIFY(!registroui::askYesNo(nullptr, "Registro di dieci",
                                      "Cancellare le 24 gare di Giulia?"));
    }
}

void TestRegisterWindow::aFailureStaysInSight()
{
    QTemporaryDir tmp;
    const QString path = registerWith(tmp.path(), {{"Ada", 3, registro::Ending::Clock}});
    registroui::RegisterWindow window(path);
    QVERIFY(!window.exportTo(tmp.path() + "/manca/gare.csv", false));
    const QString said = window.notice()->text();
    QVERIFY2(said.contains("Esportazione non riuscita") && said.contains("manca/gare.csv"),
             qPrintable(said));
    window.showRegisters({path}); // redrawn: the problem is still there
    QCOMPARE(window.notice()->text(), said);
    QVERIFY(window.notice()->isVisibleTo(&window));
    QVERIFY(window.exportTo(tmp.path() + "/gare.csv", false)); // the next action clears it
    QVERIFY(!window.notice()->isVisibleTo(&window));
}

void TestRegisterWindow::trend_data()
{
    QTest::addColumn<QList<int>>("scores"); // negative: a race that did not run to the clock
    QTest::addColumn<QString>("shown");
    QTest::newRow("too few full races for a verdict") << QList<int>{40, 44, 50} << "40 44 50";
    QTest::newRow("up by three: growing")
        << QList<int>{40, 41, 42, 43, 44, 45} << "41 42 43 44 45, in crescita";
    QTest::newRow("up by two: stable")
        << QList<int>{88, 86, 87, 89, 88, 89} << "86 87 89 88 89, stabile";
    QTest::newRow("a race left early neither counts nor hides")
        << QList<int>{49, 50, 58, 56, 52, 55, -12} << "58 56 52 55 12*, stabile";
    QTest::newRow("down by five: falling")
        << QList<int>{50, 52, 54, 47, 48, 46} << "52 54 47 48 46, in calo";
}

void TestRegisterWindow::trend()
{
    QFETCH(QList<int>, scores);
    QFETCH(QString, shown);
    QList<registro::RaceRow> races;
    for (int s : scores)
        races.append({{}, {}, s < 0 ? "uscita" : "fine", std::abs(s), 0, false, {}, {}});
    QCOMPARE(registroui::trend(races), shown);
}

void TestRegisterWindow::gridReadsUnderColourBlindness_data()
{
    QTest::addColumn<int>("vision");
    QTest::newRow("normal vision") << 0;
    QTest::newRow("deuteranopia") << 1;
    QTest::newRow("protanopia") << 2;
    QTest::newRow("tritanopia") << 3;
}

void TestRegisterWindow::gridReadsUnderColourBlindness()
{
    QFETCH(int, vision);
    static const double M[4][3][3] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {{0.367322, 0.860646, -0.227968},
         {0.280085, 0.672501, 0.047413},
         {-0.011820, 0.042940, 0.968881}},
        {{0.152286, 1.052583, -0.204868},
         {0.114503, 0.786281, 0.099216},
         {-0.003882, -0.048116, 1.051998}},
        {{1.255528, -0.076749, -0.178779},
         {-0.078411, 0.930809, 0.147602},
         {0.004733, 0.691367, 0.303900}},
    };
    // One fact in each state: never asked, known by heart, nearly, to practise.
    const QList<registro::Knowledge> states = {
        {0, 0, 0, false}, {10, 10, 900, true}, {10, 6, 2000, false}, {10, 2, 4000, false}};
    QStringList words;
    for (qsizetype a = 0; a < states.size(); ++a) {
        words << registroui::factState(states[a]);
        for (qsizetype b = a + 1; b < states.size(); ++b) {
            const QList<double> x = seenAs(registroui::factColour(states[a]), M[vision]);
            const QList<double> y = seenAs(registroui::factColour(states[b]), M[vision]);
            const double distance = std::hypot(x[0] - y[0], x[1] - y[1], x[2] - y[2]);
            QVERIFY2(distance > 70, qPrintable(QString("%1 and %2 differ by %3")
                                                   .arg(registroui::factState(states[a]),
                                                        registroui::factState(states[b]))
                                                   .arg(distance)));
        }
    }
    // And every cell says its state in words.
    QCOMPARE(words, QStringList({"mai chiesto", "sa a memoria", "quasi", "da esercitare"}));
}

void TestRegisterWindow::exportIsWhatTheWindowShows()
{
    QTemporaryDir tmp;
    const QString mine = registerWith(tmp.path(), {{"Ada", 5, registro::Ending::Clock},
                                                   {" ADA ", 2, registro::Ending::Exit},
                                                   {"Bea", 1, registro::Ending::Clock}});
    // A copy of it merged in: its races are the same races, counted once.
    QDir().mkpath(tmp.path() + "/copia");
    const QString copy = registro::registerPath(tmp.path() + "/copia/");
    QVERIFY(QFile::copy(mine, copy));
    const QString other =
        registerWith(tmp.path() + "/altro", {{"ada", 4, registro::Ending::Clock}});
    registroui::RegisterWindow window(mine);
    window.showRegisters({mine, copy, other});
    QCOMPARE(window.classTable()->rowCount(), 2);
    QVERIFY(window.choose("Ada"));
    QCOMPARE(window.racesTable()->rowCount(), 3);

    const QString all = tmp.path() + "/classe.csv", ada = tmp.path() + "/ada.csv";
    QVERIFY(window.exportTo(all, false));
    QVERIFY(window.exportTo(ada, true));
    QCOMPARE(rowsOf(all), 20); // four races of five answers
    QCOMPARE(rowsOf(ada), 15);
    // Under the name the window shows, however it was typed in each race:
    // three spellings, once each, so the latest race's.
    QCOMPARE(window.classTable()->item(0, 0)->text(), QString("ADA"));
    QCOMPARE(int(fileBytes(ada).count(";ADA;")), 15);
    QVERIFY(window.exportTo(ada, true, Day.date().addDays(2), Day.date().addDays(2)));
    QCOMPARE(rowsOf(ada), 5);
    // The window says how many went where, and shows her the folder.
    QVERIFY(window.doneLine()->isVisibleTo(&window));
    QVERIFY2(window.doneLine()->text().startsWith(
                 QStringLiteral("Esportate 5 risposte in ada.csv, nella cartella %1.")
                     .arg(tmp.path().toHtmlEscaped())),
             qPrintable(window.doneLine()->text()));
    QString opened;
    window.openFolder = [&opened](const QString &folder) { opened = folder; };
    emit window.doneLine()->linkActivated("cartella");
    QCOMPARE(opened, tmp.path());
    // A failure says so instead, and the line of the last one goes.
    QVERIFY(!window.exportTo(tmp.path() + "/manca/ada.csv", true));
    QVERIFY(!window.doneLine()->isVisibleTo(&window));
}

void TestRegisterWindow::settingsAreKeptAtOnce()
{
    QTemporaryDir tmp;
    const QString path = registerWith(tmp.path(), {{"Ugo", 3, registro::Ending::Clock}});
    registroui::RegisterWindow window(path);
    QVERIFY(window.choose("ugo"));
    window.lengthBox()->setValue(2);
    window.practiceBox()->setChecked(true);
    const registro::Adaptation kept =
        registro::Register::open(path, registro::Access::ReadOnly).adaptation("UGO");
    QCOMPARE(kept.minutes, 2);
    QVERIFY(kept.practice);
    QCOMPARE(window.classTable()->item(0, 0)->text(), QString("Ugo (su misura)"));
    // Back to the race of everyone: nothing is kept for her any more.
    window.lengthBox()->setValue(5);
    window.practiceBox()->setChecked(false);
    QVERIFY(
        registro::Register::open(path, registro::Access::ReadOnly).adaptation("ugo").standard());
    QCOMPARE(window.classTable()->item(0, 0)->text(), QString("Ugo"));
    // The aids of her plan leave her race the race of everyone, and are
    // shown as they are read again.
    window.voiceBox()->setChecked(true);
    window.contrastBox()->setChecked(true);
    const registro::Adaptation aids =
        registro::Register::open(path, registro::Access::ReadOnly).adaptation("ugo");
    QVERIFY(aids.standard() && aids.voice && aids.contrast);
    registroui::RegisterWindow again(path);
    QVERIFY(again.choose("ugo"));
    QCOMPARE(again.classTable()->item(0, 0)->text(), QString("Ugo (voce, contrasto)"));
    QVERIFY(again.voiceBox()->isChecked() && again.contrastBox()->isChecked());
}

void TestRegisterWindow::aRaceWithoutANameIsShown()
{
    QTemporaryDir tmp;
    const QString path = registerWith(
        tmp.path(), {{QString(), 3, registro::Ending::Exit}, {"Bea", 4, registro::Ending::Clock}});
    // Posted now, so run first while the class is read: the window is up,
    // saying so, and takes no action yet.
    QList<bool> whileReading;
    QMetaObject::invokeMethod(
        qApp,
        [&whileReading] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *window = qobject_cast<registroui::RegisterWindow *>(w))
                    whileReading = {window->isVisible(),
                                    window->findChild<QLabel *>("lettura")->isVisible(),
                                    window->centralWidget()->isEnabled()};
        },
        Qt::QueuedConnection);
    registroui::RegisterWindow window(path, nullptr, registroui::RegisterWindow::Showing::AtOnce);
    QCOMPARE(whileReading, QList<bool>({true, true, false}));
    QCOMPARE(window.classTable()->rowCount(), 2);
    QCOMPARE(window.classTable()->item(0, 0)->text(), QString("(senza nome)"));
    // Once read, the class is there and the reading line is gone.
    QVERIFY(!window.findChild<QLabel *>("lettura")->isVisibleTo(&window));
    QVERIFY(window.centralWidget()->isEnabled());
    QVERIFY(window.choose(""));
    QVERIFY(window.choose("Bea"));
    window.lengthBox()->setValue(3); // each step kept at once
    window.lengthBox()->setValue(4);
    QCOMPARE(registro::raceSettingsOf({path}, "bea").adaptation.minutes, 4);
}

// A child can write anything into her account's register: the report and
// the export show it as text, never as markup or a formula.
void TestRegisterWindow::whatAChildWroteStaysText()
{
    QTemporaryDir tmp;
    const QString link = "=HYPERLINK(\"http://x\";\"clic\")";
    const QString path = registerWith(tmp.path(), {{link, 2, registro::Ending::Clock},
                                                   {"<b>Bea</b>", 3, registro::Ending::Exit}});
    {
        RawWriter child(path);
        QVERIFY(child.run("UPDATE races SET ending = '<h1>RIMANDATO</h1><!--' WHERE name = "
                          "'<b>Bea</b>'"));
        QVERIFY(child.run("UPDATE races SET ending = '=HYPERLINK(\"http://x\";\"clic\")' "
                          "WHERE name <> '<b>Bea</b>'"));
        QVERIFY(child.run("UPDATE answers SET typed = '@SUM(1)', number = '+1', ms = '-2'"));
    }
    QStringList problems;
    const QList<registro::Child> children = registro::loadClass({path}, &problems);
    QCOMPARE(children.size(), 2);
    const registro::Child &bea = children[0].name == link ? children[1] : children[0];
    const QString klass = "<i>3A</i>"; // a class name is typed too
    const QString html = registroui::classReportHtml(children, klass);
    const QString page = registroui::childReportHtml(bea, klass);
    QVERIFY(!html.contains("<b>Bea") && !html.contains("<i>3A"));
    QVERIFY(html.contains("&lt;b&gt;Bea") && html.contains("&lt;i&gt;3A"));
    QVERIFY(!page.contains("<h1>RIMANDATO") && !page.contains("<b>Bea") && !page.contains("<i>3A"));
    QVERIFY(page.contains("&lt;h1&gt;RIMANDATO") && page.contains("&lt;b&gt;Bea"));
    const QString csv = tmp.filePath("classe.csv");
    QCOMPARE(registro::exportCsv(path, csv), QString());
    const QStringList lines = QString::fromUtf8(fileBytes(csv)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 10);
    for (const QString &line : lines.mid(1)) {
        const QStringList fields = csvFields(line);
        QCOMPARE(fields.size(), 10);
        for (const QString &field : fields)
            QVERIFY2(!formula(field), qPrintable(line));
    }
}

QTEST_MAIN(TestRegisterWindow)
#include "tst_registerwindow.moc"
