// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerwindow.h"

#include "register.h"
#include "summaries.h"

#include <QChart>
#include <QChartView>
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
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
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

} // namespace

RegisterWindow::RegisterWindow(QString home, QWidget *parent)
    : QMainWindow(parent), m_home(std::move(home))
{
    setWindowTitle(QStringLiteral("Registro di dieci"));
    confirm = [this](const QString &question) {
        return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
    };
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildWelcome());
    m_pages->addWidget(buildClass());
    setCentralWidget(m_pages);
    buildMenus();
    if (QFileInfo::exists(m_home))
        showRegisters({m_home});
    refreshMenus();
    resize(1100, 700);
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
    layout->addWidget(m_notice);
    auto *split = new QSplitter;
    m_table = new QTableWidget(0, 5);
    m_table->setObjectName(QStringLiteral("classe"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Nome"), QStringLiteral("Gare"), QStringLiteral("Ultima gara"),
         QStringLiteral("Miglior punteggio"), QStringLiteral("Esatte nelle ultime gare")});
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
    m_chart->setMinimumHeight(220);
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
    m_races->setMaximumHeight(160);
    childLayout->addWidget(m_races);
    auto *grid = new QGridLayout;
    for (int n = 1; n <= 9; ++n) {
        m_facts[n - 1] = plainLabel();
        m_facts[n - 1]->setAlignment(Qt::AlignCenter);
        m_facts[n - 1]->setMinimumSize(120, 70);
        grid->addWidget(m_facts[n - 1], (n - 1) / 3, (n - 1) % 3);
    }
    childLayout->addLayout(grid);
    split->addWidget(child);
    split->setSizes({520, 520});
    layout->addWidget(split, 1);
    return page;
}

void RegisterWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Apri un altro registro..."), this,
                    [this] { openOther(false); });
    file->addAction(QStringLiteral("A&ggiungi un registro..."), this, [this] { openOther(true); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Esci"), this, &QWidget::close);
    QMenu *reg = menuBar()->addMenu(QStringLiteral("&Registro"));
    m_recording =
        reg->addAction(QStringLiteral("Registra le &gare"), this, &RegisterWindow::toggleRecording);
    m_recording->setCheckable(true);
    m_deleteChild = reg->addAction(QStringLiteral("Cancella i dati del &bambino scelto..."), this,
                                   &RegisterWindow::deleteChild);
    m_deleteAll = reg->addAction(QStringLiteral("Cancella &tutto il registro..."), this,
                                 &RegisterWindow::deleteAll);
}

void RegisterWindow::refreshMenus()
{
    const bool mine = m_writable && m_paths == QStringList{m_home};
    m_recording->setEnabled(mine);
    m_recording->setChecked(
        mine && registro::Register::open(m_home, registro::Access::ReadOnly).recording());
    m_deleteChild->setEnabled(m_writable && m_table->currentRow() >= 0);
    m_deleteAll->setEnabled(mine);
}

void RegisterWindow::turnOn()
{
    const registro::Register reg = registro::Register::create(m_home);
    showRegisters({m_home});
    if (!reg.isOpen())
        showProblem(reg.problem());
}

void RegisterWindow::showRegisters(const QStringList &paths)
{
    m_paths = paths;
    QStringList problems;
    {
        // Opened for writing first: an older register is brought up to date.
        const registro::Register writer =
            registro::Register::open(paths.value(0), registro::Access::ReadWrite);
        m_writable = writer.isOpen();
        if (!m_writable && !writer.damaged() && writer.version() > 0)
            problems << QStringLiteral("%1; aperto in sola lettura").arg(writer.problem());
    }
    m_children = registro::loadClass(paths, &problems);
    m_notice->setText(problems.join(u'\n'));
    m_notice->setVisible(!problems.isEmpty());
    // A register that cannot be read is not an empty class.
    m_table->parentWidget()->setVisible(problems.size() < paths.size() || paths.isEmpty());
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
        const QStringList cells = {c.name, QString::number(c.races.size()), last,
                                   QString::number(best), trend(c.races)};
        for (int col = 0; col < cells.size(); ++col)
            m_table->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    m_table->resizeColumnsToContents();
    m_pages->setCurrentIndex(1);
    showChild(m_children.isEmpty() ? -1 : 0);
    m_table->selectRow(0);
    refreshMenus();
}

void RegisterWindow::showChild(int row)
{
    const bool any = row >= 0 && row < m_children.size();
    const registro::Child empty;
    const registro::Child &c = any ? m_children[row] : empty;
    m_childName->setText(c.name);
    auto *chart = new QChart;
    chart->legend()->hide();
    auto *series = new QLineSeries;
    int most = 1;
    for (const registro::RaceRow &race : c.races) {
        series->append(double(registro::fromTimestamp(race.started).toMSecsSinceEpoch()),
                       race.right);
        most = std::max(most, race.right);
    }
    series->setPointsVisible(true); // a single race is a point, not a line
    chart->addSeries(series);
    auto *x = new QDateTimeAxis;
    if (c.races.size() == 1) {
        const QDateTime only = registro::fromTimestamp(c.races.front().started);
        x->setRange(only.addDays(-1), only.addDays(1));
        x->setTickCount(3);
    }
    x->setFormat(QStringLiteral("dd/MM"));
    x->setTitleText(QStringLiteral("Gare"));
    auto *y = new QValueAxis;
    y->setRange(0, std::max(most, 5)); // whole numbers on the axis
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%d"));
    y->setTitleText(QStringLiteral("Risposte esatte"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    QChart *old = m_chart->chart();
    m_chart->setChart(chart);
    delete old;
    m_races->setRowCount(0);
    m_races->setRowCount(int(c.races.size()));
    for (int i = 0; i < c.races.size(); ++i) {
        const registro::RaceRow &race = c.races[c.races.size() - 1 - i]; // newest first
        const QStringList cells = {
            registro::fromTimestamp(race.started).toString(QStringLiteral("dd/MM/yyyy HH:mm")),
            QString::number(race.right), QString::number(race.wrong),
            QString::number(race.right + race.wrong), race.ending};
        for (int col = 0; col < cells.size(); ++col)
            m_races->setItem(i, col, new QTableWidgetItem(cells[col]));
    }
    m_races->resizeColumnsToContents();
    for (int n = 1; n <= 9; ++n) {
        const registro::Knowledge k = registro::knowledgeOf(c.answers, n);
        m_facts[n - 1]->setText(any ? factText(n, k) : QString());
        m_facts[n - 1]->setStyleSheet(QStringLiteral("background: %1; color: black;")
                                          .arg(any ? factColour(k) : QStringLiteral("#eeeeee")));
    }
    refreshMenus();
}

void RegisterWindow::deleteChild()
{
    const int row = m_table->currentRow();
    if (!m_writable || row < 0 || row >= m_children.size())
        return;
    const QString name = m_children[row].name;
    if (!confirm(QStringLiteral("Cancellare tutte le gare e le risposte di %1?").arg(name)))
        return;
    registro::Register reg = registro::Register::open(m_paths.first(), registro::Access::ReadWrite);
    const bool done = reg.isOpen() && reg.deleteChild(name) >= 0;
    const QString problem = reg.problem();
    reg.close();
    showRegisters(m_paths);
    if (!done)
        showProblem(problem);
}

void RegisterWindow::deleteAll()
{
    if (!confirm(QStringLiteral("Cancellare tutto il registro? Le gare registrate finora "
                                "andranno perse.")))
        return;
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(m_home + QLatin1String(suffix));
    m_paths.clear();
    m_children.clear();
    m_writable = false;
    m_pages->setCurrentIndex(0);
    refreshMenus();
}

void RegisterWindow::toggleRecording()
{
    registro::Register reg = registro::Register::open(m_home, registro::Access::ReadWrite);
    QString why = reg.isOpen() ? reg.setRecording(m_recording->isChecked()) : reg.problem();
    reg.close();
    refreshMenus();
    if (!why.isEmpty())
        showProblem(why);
}

void RegisterWindow::showProblem(const QString &text)
{
    m_notice->setText(m_notice->text().isEmpty() ? text : m_notice->text() + u'\n' + text);
    m_notice->show();
}

void RegisterWindow::openOther(bool merge)
{
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("Apri un registro"), QFileInfo(m_home).path(),
        QStringLiteral("Registri di dieci (*.sqlite);;Tutti i file (*)"));
    if (!file.isEmpty())
        showRegisters(merge ? m_paths + QStringList{file} : QStringList{file});
}

} // namespace registroui
