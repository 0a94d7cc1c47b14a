// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerwindow.h"

#include "paths.h"
#include "register.h"
#include "report.h"
#include "soundfiles.h"
#include "summaries.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTimeAxis>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

namespace registroui {

namespace {
QLabel *plainLabel(const QString &text = {})
{
    // Names are shown as typed: never read as markup.
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

// Full races as a line; the others as grey points, shown but not part of it.
QChart *raceChart(const registro::Child &c)
{
    auto *chart = new QChart;
    auto *full = new QLineSeries;
    full->setName(QStringLiteral("finite con il tempo"));
    auto *other = new QScatterSeries;
    other->setName(QStringLiteral("altre"));
    other->setColor(Qt::gray);
    other->setMarkerSize(8);
    int most = 1;
    for (const registro::RaceRow &race : c.races) {
        const double when = double(registro::fromTimestamp(race.started).toMSecsSinceEpoch());
        (fullRace(race) ? static_cast<QXYSeries *>(full) : other)->append(when, race.right);
        most = std::max(most, race.right);
    }
    full->setPointsVisible(true); // a single race is a point, not a line
    chart->addSeries(full);
    chart->addSeries(other);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto *x = new QDateTimeAxis;
    if (c.races.size() == 1) {
        const QDateTime only = registro::fromTimestamp(c.races.front().started);
        x->setRange(only.addDays(-1), only.addDays(1));
        x->setTickCount(3);
    }
    x->setFormat(QStringLiteral("dd/MM"));
    x->setTitleText(QStringLiteral("Data"));
    auto *y = new QValueAxis;
    y->setRange(0, std::max(most, 5)); // whole numbers on the axis
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%d"));
    y->setTitleText(QStringLiteral("Risposte esatte"));
    // Small enough that the titles fit a chart on a 768-pixel screen.
    QFont title = y->titleFont();
    title.setPointSizeF(title.pointSizeF() * 0.8);
    x->setTitleFont(title);
    y->setTitleFont(title);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QXYSeries *series : {static_cast<QXYSeries *>(full), static_cast<QXYSeries *>(other)}) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    return chart;
}
} // namespace

RegisterWindow::RegisterWindow(QString home, QWidget *parent)
    : QMainWindow(parent), m_home(std::move(home))
{
    setWindowTitle(QStringLiteral("Registro di dieci"));
    confirm = [this](const QString &question) { return askYesNo(this, windowTitle(), question); };
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildWelcome());
    m_pages->addWidget(buildClass());
    setCentralWidget(m_pages);
    buildMenus();
    // The teacher's own sounds, judged by the drill's own rule.
    const QString mine = platform::userDataFolder() + QStringLiteral("/suoni/");
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/dieci";
    for (const char *sound : {"Esatto.wav", "no.wav"}) {
        const QString why = platform::soundProblem(mine + QLatin1String(sound), cache);
        if (!why.isEmpty())
            m_soundProblems << QStringLiteral("Il suono %1%2 non si può usare (%3): dieci suona "
                                              "quello installato.")
                                   .arg(mine, QLatin1String(sound), why);
    }
    if (QFileInfo::exists(m_home) || QFileInfo(m_home).isSymLink())
        showRegisters({m_home});
    showNotice();
    refreshMenus();
    // Fits a 1024 x 768 screen with its frame and panel.
    resize(1000, 680);
}

QWidget *RegisterWindow::buildWelcome()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(plainLabel(
        QStringLiteral("Il registro conserva, per ogni gara giocata con questo account, il nome "
                       "scritto dal bambino, l'ora, ogni risposta e il tempo impiegato. Resta solo "
                       "su questo computer, nel file %1.")
            .arg(QDir::toNativeSeparators(m_home))));
    auto *on = new QPushButton(QStringLiteral("&Attiva il registro"));
    connect(on, &QPushButton::clicked, this, &RegisterWindow::turnOn);
    layout->addWidget(on, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

QWidget *RegisterWindow::buildClass()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_notice = plainLabel();
    m_notice->setObjectName(QStringLiteral("avvisi"));
    m_notice->setStyleSheet(QStringLiteral("background: #fff3cd; color: black; padding: 4px;"));
    layout->addWidget(m_notice);
    auto *split = new QSplitter;
    m_classView = split;
    m_table = new QTableWidget(0, 5);
    m_table->setObjectName(QStringLiteral("classe"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Nome"), QStringLiteral("Gare"),
                                        QStringLiteral("Ultima gara"), QStringLiteral("Migliore"),
                                        QStringLiteral("Ultime gare")});
    m_table->horizontalHeaderItem(4)->setToolTip(
        QStringLiteral("Risposte esatte delle ultime cinque gare; * una gara non finita con il "
                       "tempo, che non conta per l'andamento"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) { showChild(row); });
    split->addWidget(m_table);

    auto *child = new QWidget;
    auto *childLayout = new QVBoxLayout(child);
    m_childName = plainLabel();
    childLayout->addWidget(m_childName);
    m_chart = new QChartView;
    m_chart->setMinimumHeight(200);
    childLayout->addWidget(m_chart, 1);
    // Every race with its counts and how it ended: one cut short says so.
    m_races = new QTableWidget(0, 5);
    m_races->setObjectName(QStringLiteral("gare"));
    m_races->setHorizontalHeaderLabels({QStringLiteral("Gara"), QStringLiteral("Esatte"),
                                        QStringLiteral("Errate"), QStringLiteral("Totali"),
                                        QStringLiteral("Com'è finita")});
    m_races->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_races->verticalHeader()->hide();
    m_races->horizontalHeader()->setStretchLastSection(true);
    m_races->setMaximumHeight(130);
    childLayout->addWidget(m_races);
    childLayout->addWidget(buildSettings());
    auto *grid = new QGridLayout;
    for (int n = 1; n <= 9; ++n) {
        m_facts[n - 1] = plainLabel();
        m_facts[n - 1]->setAlignment(Qt::AlignCenter);
        m_facts[n - 1]->setMinimumSize(110, 66);
        grid->addWidget(m_facts[n - 1], (n - 1) / 3, (n - 1) % 3);
    }
    childLayout->addLayout(grid);
    split->addWidget(child);
    split->setSizes({430, 550});
    layout->addWidget(split, 1);
    return page;
}

void RegisterWindow::showRegisters(const QStringList &paths)
{
    m_paths = paths;
    m_loadProblems.clear();
    m_writable.clear();
    for (const QString &path : paths) {
        // Opened for writing first: an older register is brought up to date.
        const registro::Register writer =
            registro::Register::open(path, registro::Access::ReadWrite);
        if (writer.isOpen())
            m_writable << path;
        else if (!writer.damaged() && writer.version() > 0)
            m_loadProblems << QStringLiteral("%1; aperto in sola lettura").arg(writer.problem());
    }
    m_children = registro::loadClass(paths, &m_loadProblems);
    m_table->setRowCount(0);
    m_table->setRowCount(int(m_children.size()));
    for (int row = 0; row < m_children.size(); ++row) {
        const registro::Child &c = m_children[row];
        int best = 0;
        for (const registro::RaceRow &race : c.races)
            best = std::max(best, race.right);
        const QString last =
            c.races.isEmpty()
                ? QString()
                : registro::fromTimestamp(c.races.back().started).toString("dd/MM/yyyy HH:mm");
        const QStringList cells = {nameCell(c), QString::number(c.races.size()), last,
                                   QString::number(best), trend(c.races)};
        for (int col = 0; col < cells.size(); ++col)
            m_table->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    m_table->resizeColumnsToContents();
    m_pages->setCurrentIndex(1);
    // A register that cannot be read is not an empty class.
    const int unread = int(std::count_if(m_loadProblems.cbegin(), m_loadProblems.cend(),
                                         [](const QString &p) { return !p.endsWith("lettura"); }));
    m_classView->setVisible(unread < paths.size() || paths.isEmpty());
    showChild(m_children.isEmpty() ? -1 : 0);
    m_table->selectRow(0);
    showNotice();
    refreshMenus();
}

void RegisterWindow::showNotice()
{
    const QStringList lines = m_loadProblems + m_soundProblems + m_actionProblems;
    m_notice->setText(lines.join(u'\n'));
    m_notice->setVisible(!lines.isEmpty());
}

void RegisterWindow::showChild(int row)
{
    const bool any = row >= 0 && row < m_children.size();
    const registro::Child empty;
    const registro::Child &c = any ? m_children[row] : empty;
    m_childName->setText(c.name);
    showChart(c);
    m_races->setRowCount(0);
    m_races->setRowCount(int(c.races.size()));
    for (int i = 0; i < c.races.size(); ++i) {
        const registro::RaceRow &race = c.races[c.races.size() - 1 - i]; // newest first
        const QStringList cells = {
            registro::fromTimestamp(race.started).toString(QStringLiteral("dd/MM/yyyy HH:mm")),
            QString::number(race.right), QString::number(race.wrong),
            QString::number(race.right + race.wrong),
            race.adaptation.isEmpty()
                ? race.ending
                : QStringLiteral("%1, su misura (%2)").arg(race.ending, race.adaptation)};
        for (int col = 0; col < cells.size(); ++col)
            m_races->setItem(i, col, new QTableWidgetItem(cells[col]));
    }
    m_races->resizeColumnsToContents();
    {
        const QSignalBlocker quietLength(m_length), quietPractice(m_practice);
        m_length->setValue(c.settings.minutes);
        m_practice->setChecked(c.settings.practice);
    }
    // Her settings live in this account's register, where the drill reads them.
    const bool settable = any && m_writable.contains(m_home);
    for (QWidget *w : {static_cast<QWidget *>(m_length), static_cast<QWidget *>(m_practice)}) {
        w->setEnabled(settable);
        w->setToolTip(settable || !any ? QString()
                                       : QStringLiteral("Si può cambiare solo nel registro di "
                                                        "questo account."));
    }
    for (int n = 1; n <= 9; ++n) {
        const registro::Knowledge k = registro::knowledgeOf(c.answers, n);
        m_facts[n - 1]->setText(any ? factText(n, k) : QString());
        m_facts[n - 1]->setStyleSheet(
            QStringLiteral("background: %1; color: %2;")
                .arg(any ? factColour(k) : QStringLiteral("#eeeeee"), factTextColour(k)));
    }
    refreshMenus();
}

void RegisterWindow::showChart(const registro::Child &c)
{
    QChart *old = m_chart->chart();
    m_chart->setChart(raceChart(c));
    delete old;
}

void RegisterWindow::printTo(QPrinter &printer)
{
    const registro::Child *c = chosen();
    QImage chart;
    if (c) {
        QChartView view(raceChart(*c));
        view.resize(900, 420);
        chart = view.grab().toImage();
    }
    printReport(printer, m_children, c, chart);
}

// A race set for her: its length, and practice on the facts she does not know.
QWidget *RegisterWindow::buildSettings()
{
    auto *box = new QWidget;
    auto *layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_length = new QSpinBox;
    m_length->setObjectName(QStringLiteral("durata"));
    m_length->setRange(0, 20);
    m_length->setSpecialValueText(QStringLiteral("senza tempo"));
    auto *length = new QLabel(QStringLiteral("&Durata (minuti)"));
    length->setBuddy(m_length);
    m_practice = new QCheckBox(QStringLiteral("A&llenamento"));
    m_practice->setObjectName(QStringLiteral("allenamento"));
    auto *why = plainLabel(QStringLiteral(
        "Durata: i minuti della sua gara (0: senza tempo, la gara finisce con Esci). "
        "Allenamento: almeno metà delle domande sui fatti che non sa ancora a memoria. "
        "Una gara diversa da quella di tutti (5 minuti, senza allenamento) non vale per il "
        "record."));
    QFont small = why->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    why->setFont(small);
    layout->addWidget(length, 0, 0);
    layout->addWidget(m_length, 0, 1);
    layout->addWidget(m_practice, 0, 2);
    layout->setColumnStretch(3, 1);
    layout->addWidget(why, 1, 0, 1, 4);
    connect(m_length, &QSpinBox::valueChanged, this, &RegisterWindow::storeSettings);
    connect(m_practice, &QCheckBox::toggled, this, &RegisterWindow::storeSettings);
    return box;
}

// Changes are kept at once, for her next race.
void RegisterWindow::storeSettings()
{
    beginAction();
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_children.size())
        return;
    registro::Child &c = m_children[row];
    const registro::Adaptation wanted{m_length->value(), m_practice->isChecked()};
    registro::Register reg = registro::Register::open(m_home, registro::Access::ReadWrite);
    const QString why = reg.isOpen() ? reg.setAdaptation(c.name, wanted) : reg.problem();
    if (!why.isEmpty()) {
        showProblem(
            QStringLiteral("La gara su misura di %1 non è stata salvata: %2").arg(c.name, why));
        return;
    }
    c.settings = wanted;
    m_table->item(row, 0)->setText(nameCell(c));
}

QString RegisterWindow::nameCell(const registro::Child &c) const
{
    return c.settings.standard() ? c.name : QStringLiteral("%1 (su misura)").arg(c.name);
}

const registro::Child *RegisterWindow::chosen() const
{
    const int row = m_table->currentRow();
    return row >= 0 && row < m_children.size() ? &m_children[row] : nullptr;
}

bool RegisterWindow::choose(const QString &name)
{
    if (name.isEmpty()) {
        m_table->setCurrentCell(-1, -1);
        return true;
    }
    for (int row = 0; row < m_children.size(); ++row)
        if (registro::childKey(m_children[row].name) == registro::childKey(name)) {
            m_table->setCurrentCell(row, 0);
            return true;
        }
    return false;
}

} // namespace registroui
