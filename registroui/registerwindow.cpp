// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerwindow.h"

#include "labsettings.h"
#include "paths.h"
#include "register.h"
#include "server.h"
#include "soundfiles.h"
#include "summaries.h"

#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

#include <thread>

namespace registroui {

QLabel *plainLabel(const QString &text)
{
    // Names are shown as typed: never read as markup.
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

namespace {
// A line across the window, above every page, shown only when it has something to say.
QLabel *lineAbove(const QString &name, const char *background, const QString &text = {})
{
    QLabel *line = plainLabel(text);
    line->setObjectName(name);
    line->setStyleSheet(QStringLiteral("background: %1; color: black; padding: 4px;")
                            .arg(QLatin1String(background)));
    line->hide();
    return line;
}

// The teacher's own sounds, judged by the drill's own rule.
QStringList soundProblems()
{
    QStringList problems;
    const QString mine = platform::userDataFolder() + QStringLiteral("/suoni/");
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/dieci";
    for (const char *sound : {"Esatto.wav", "no.wav"}) {
        const QString why = platform::soundProblem(mine + QLatin1String(sound), cache);
        if (!why.isEmpty())
            problems << QStringLiteral("Il suono %1%2 non si può usare (%3): dieci suona "
                                       "quello installato.")
                            .arg(mine, QLatin1String(sound), why);
    }
    return problems;
}
} // namespace

RegisterWindow::RegisterWindow(QString home, QWidget *parent, Showing showing)
    : QMainWindow(parent), m_home(std::move(home))
{
    setWindowTitle(QStringLiteral("Registro di dieci"));
    confirm = [this](const QString &question) { return askYesNo(this, windowTitle(), question); };
    // The notice line stands above every page: a problem is seen on the
    // welcome page too (a school's server that does not answer, say).
    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    m_notice = lineAbove(QStringLiteral("avvisi"), "#fff3cd");
    column->addWidget(m_notice);
    m_loading = lineAbove(QStringLiteral("lettura"), "#dbe9f6",
                          QStringLiteral("Lettura del registro in corso…"));
    column->addWidget(m_loading);
    m_pages = new QStackedWidget;
    m_pages->addWidget(buildWelcome());
    m_pages->addWidget(buildClass());
    column->addWidget(m_pages, 1);
    setCentralWidget(central);
    buildMenus();
    m_soundProblems = soundProblems();
    // Fits a 1024 x 768 screen with its frame and panel.
    resize(1000, 680);
    const QStringList mine = homeRegisters();
    // A teacher with the school's server in her own settings sees it first.
    const QString server = platform::readLabSettings().ownServer;
    // A year of a class, or a slow server, is read with the window up, on the
    // page the class will fill, empty until then.
    if (!mine.isEmpty() || !server.isEmpty()) {
        m_pages->setCurrentIndex(1);
        m_classView->hide();
    }
    if (showing == Showing::AtOnce)
        show();
    if (!mine.isEmpty())
        showRegisters(mine);
    showNotice();
    refreshMenus();
    if (!server.isEmpty())
        showServer(server);
}

RegisterWindow::~RegisterWindow() = default;

QWidget *RegisterWindow::buildWelcome()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(plainLabel(
        QStringLiteral("Il registro conserva, per ogni gara giocata con questo account, il nome "
                       "scritto dal bambino, l'ora, ogni risposta e il tempo impiegato, nel file "
                       "%1.%2")
            .arg(QDir::toNativeSeparators(m_home),
                 platform::readLabSettings().server.isEmpty()
                     ? QStringLiteral(" Resta solo su questo computer.")
                     : QStringLiteral(" Le impostazioni del laboratorio mandano le gare anche "
                                      "al registro della scuola."))));
    auto *on = new QPushButton(QStringLiteral("&Attiva il registro"));
    connect(on, &QPushButton::clicked, this, &RegisterWindow::turnOn);
    layout->addWidget(on, 0, Qt::AlignLeft);
    // A school with a server keeps the class there: its teacher starts from it.
    layout->addWidget(plainLabel(QStringLiteral(
        "Se la scuola ha un suo server con le gare di tutti i computer del laboratorio:")));
    auto *school = new QPushButton(QStringLiteral("Apri il registro della &scuola..."));
    school->setObjectName(QStringLiteral("scuola"));
    connect(school, &QPushButton::clicked, this, &RegisterWindow::schoolDialog);
    layout->addWidget(school, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

QWidget *RegisterWindow::buildClassRow()
{
    // On the school's server: which class.
    m_classRow = new QWidget;
    auto *classLayout = new QHBoxLayout(m_classRow);
    classLayout->setContentsMargins(0, 0, 0, 0);
    m_classBox = new QComboBox;
    m_classBox->setObjectName(QStringLiteral("classi"));
    auto *classLabel = new QLabel(QStringLiteral("&Classe"));
    classLabel->setBuddy(m_classBox);
    classLayout->addWidget(classLabel);
    classLayout->addWidget(m_classBox);
    classLayout->addStretch();
    connect(m_classBox, &QComboBox::activated, this,
            [this](int index) { showClass(m_classBox->itemData(index).toString()); });
    m_classRow->hide();
    return m_classRow;
}

QWidget *RegisterWindow::buildClass()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(buildClassRow());
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
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setWordWrap(true);
    // Two lines a row: the recent races and their trend wrap, never hide.
    m_table->verticalHeader()->setDefaultSectionSize(2 * m_table->fontMetrics().lineSpacing() + 6);
    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) { showChild(row); });
    // Her races under the class, where a 1024 x 768 screen has room for them.
    auto *left = new QSplitter(Qt::Vertical);
    left->addWidget(m_table);
    split->addWidget(left);
    split->addWidget(buildChild());
    left->addWidget(m_races);
    split->setSizes({460, 520});
    layout->addWidget(split, 1);
    return page;
}

void RegisterWindow::showRegisters(const QStringList &paths)
{
    leaveServer();
    m_paths = paths;
    showSource(localRegisters(paths, m_home));
}

bool RegisterWindow::showSource(std::unique_ptr<ClassSource> source)
{
    m_source = std::move(source);
    ClassLoad loaded = loadOffThread(*m_source);
    m_children = std::move(loaded.children);
    m_loadProblems = std::move(loaded.problems);
    m_writable = std::move(loaded.writable);
    m_recordingOn = loaded.recordingOn;
    m_changeable = loaded.changeable;
    m_unchangeable = loaded.unchangeable;
    m_unsettable = loaded.unsettable;
    showChildren(loaded.readable);
    return loaded.readable;
}

// A year of a class takes a moment to read: the window says so and keeps
// drawing itself meanwhile, taking no action until the class is there.
ClassLoad RegisterWindow::loadOffThread(const ClassSource &source)
{
    m_loading->show();
    centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    ClassLoad loaded;
    QEventLoop wait;
    std::thread reader([&] {
        loaded = source.load();
        QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
    });
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    reader.join();
    menuBar()->setEnabled(true);
    centralWidget()->setEnabled(true);
    m_loading->hide();
    return loaded;
}

void RegisterWindow::showChildren(bool readable)
{
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
                : registro::fromTimestamp(c.races.back().started).toString("dd/MM/yyyy");
        const QStringList cells = {nameCell(c), QString::number(c.races.size()), last,
                                   QString::number(best), trend(c.races)};
        for (int col = 0; col < cells.size(); ++col)
            m_table->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
    m_table->resizeColumnsToContents();
    // The recent races wrap in their column rather than push it out of sight.
    m_table->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    m_pages->setCurrentIndex(1);
    m_classView->setVisible(readable);
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
