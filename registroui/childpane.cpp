// SPDX-License-Identifier: GPL-3.0-or-later
// The chosen child: her chart, her races, her nine facts, the race the
// teacher set for her, and the printed report.
#include "registerwindow.h"

#include "classdata.h"
#include "register.h"
#include "report.h"
#include "summaries.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPrinter>
#include <QScatterSeries>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

namespace registroui {

namespace {
// The chart's two axes, titled small enough to fit a chart on a 768-pixel
// screen; the right answers up to most, in whole numbers.
std::pair<QDateTimeAxis *, QValueAxis *> axes(int most)
{
    auto *x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("dd/MM"));
    x->setTitleText(QStringLiteral("Data"));
    auto *y = new QValueAxis;
    y->setRange(0, std::max(most, 5));
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%d"));
    y->setTitleText(QStringLiteral("Risposte esatte"));
    QFont title = y->titleFont();
    title.setPointSizeF(title.pointSizeF() * 0.8);
    x->setTitleFont(title);
    y->setTitleFont(title);
    return {x, y};
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
    // Little room around the plot: on a small screen the axes' titles need it.
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    const auto [x, y] = axes(most);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QXYSeries *series : {static_cast<QXYSeries *>(full), static_cast<QXYSeries *>(other)}) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    // Set once the series are attached, which would otherwise take the
    // range of the first alone: every race is on the chart.
    const auto [from, to] = chartRange(c.races);
    x->setRange(from, to);
    x->setTickCount(from.daysTo(to) <= 2 ? 3 : 5);
    return chart;
}
} // namespace

void RegisterWindow::showRaces(const registro::Child *c)
{
    const QList<registro::RaceRow> races = c ? c->races : QList<registro::RaceRow>();
    m_races->setRowCount(0);
    m_races->setRowCount(int(races.size()));
    m_races->horizontalHeaderItem(0)->setText(
        c ? QStringLiteral("Gare di %1").arg(registro::shownName(c->name))
          : QStringLiteral("Gara"));
    for (int i = 0; i < races.size(); ++i) {
        const registro::RaceRow &race = races[races.size() - 1 - i]; // newest first
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
}

void RegisterWindow::showChild(int row)
{
    const bool any = row >= 0 && row < m_children.size();
    const registro::Child empty;
    const registro::Child &c = any ? m_children[row] : empty;
    m_childName->setText(registro::shownName(c.name));
    showChart(c);
    showRaces(any ? &c : nullptr);
    {
        const QSignalBlocker quietLength(m_length), quietPractice(m_practice), quietVoice(m_voice),
            quietContrast(m_contrast);
        m_length->setValue(c.settings.minutes);
        m_practice->setChecked(c.settings.practice);
        m_voice->setChecked(c.settings.voice);
        m_contrast->setChecked(c.settings.contrast);
    }
    const bool settable = any && m_unsettable.isEmpty();
    for (QWidget *w : std::initializer_list<QWidget *>{m_length, m_practice, m_voice, m_contrast}) {
        w->setEnabled(settable);
        w->setToolTip(settable || !any ? QString() : m_unsettable);
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

void RegisterWindow::printTo(QPrinter &printer, bool chosenChild)
{
    const registro::Child *c = chosenChild ? chosen() : nullptr;
    QImage chart;
    if (c) {
        QChartView view(raceChart(*c));
        view.resize(900, 300);
        chart = view.grab().toImage();
    }
    const QString className = onServer() ? m_className : registro::mostCommonClass(m_paths);
    printReport(printer, m_children, c, className, chart);
}

// A race set for her: its length, and practice on the facts she does not know.
QWidget *RegisterWindow::buildChild()
{
    auto *child = new QWidget;
    auto *childLayout = new QVBoxLayout(child);
    m_childName = plainLabel();
    childLayout->addWidget(m_childName);
    m_chart = new QChartView;
    m_chart->setMinimumHeight(220);
    childLayout->addWidget(m_chart, 1);
    // Every race with its counts and how it ended: one cut short says so.
    // It stands under the class table, whose row says whose races they are.
    m_races = new QTableWidget(0, 5);
    m_races->setObjectName(QStringLiteral("gare"));
    m_races->setHorizontalHeaderLabels({QStringLiteral("Gara"), QStringLiteral("Esatte"),
                                        QStringLiteral("Errate"), QStringLiteral("Totali"),
                                        QStringLiteral("Com'è finita")});
    m_races->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_races->verticalHeader()->hide();
    m_races->horizontalHeader()->setStretchLastSection(true);
    childLayout->addWidget(buildSettings());
    auto *grid = new QGridLayout;
    for (int n = 1; n <= 9; ++n) {
        m_facts[n - 1] = plainLabel();
        m_facts[n - 1]->setAlignment(Qt::AlignCenter);
        m_facts[n - 1]->setMinimumSize(110, 66);
        grid->addWidget(m_facts[n - 1], (n - 1) / 3, (n - 1) % 3);
    }
    childLayout->addLayout(grid);
    return child;
}

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
    m_voice = new QCheckBox(QStringLiteral("&Voce"));
    m_voice->setObjectName(QStringLiteral("voce"));
    m_contrast = new QCheckBox(QStringLiteral("Con&trasto"));
    m_contrast->setObjectName(QStringLiteral("contrasto"));
    auto *why = new QLabel(QStringLiteral(
        "Durata: i minuti della sua gara (0: senza tempo). Allenamento: almeno metà delle "
        "domande sui fatti che non sa ancora a memoria. Una gara su misura non vale per il "
        "record. Voce (sintesi vocale) e Contrasto (colori ad alto contrasto) sono strumenti "
        "compensativi: la gara resta quella di tutti e vale per il record."));
    why->setWordWrap(true);
    QFont small = why->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    why->setFont(small);
    layout->addWidget(length, 0, 0);
    layout->addWidget(m_length, 0, 1);
    layout->addWidget(m_practice, 0, 2);
    layout->addWidget(m_voice, 0, 3);
    layout->addWidget(m_contrast, 0, 4);
    layout->setColumnStretch(5, 1);
    layout->addWidget(why, 1, 0, 1, 6);
    connect(m_length, &QSpinBox::valueChanged, this, &RegisterWindow::storeSettings);
    for (QCheckBox *box : {m_practice, m_voice, m_contrast})
        connect(box, &QCheckBox::toggled, this, &RegisterWindow::storeSettings);
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
    const registro::Adaptation wanted{m_length->value(), m_practice->isChecked(),
                                      m_voice->isChecked(), m_contrast->isChecked()};
    const QString why = m_source ? m_source->setRace(c.name, wanted) : m_unsettable;
    if (!why.isEmpty()) {
        showProblem(QStringLiteral("La gara su misura di %1 non è stata salvata: %2")
                        .arg(registro::shownName(c.name), why));
        return;
    }
    c.settings = wanted;
    m_table->item(row, 0)->setText(nameCell(c));
}

QString RegisterWindow::nameCell(const registro::Child &c) const
{
    QStringList marks;
    if (!c.settings.standard())
        marks << QStringLiteral("su misura");
    if (const QString aids = c.settings.aids(); !aids.isEmpty())
        marks << aids;
    const QString name = registro::shownName(c.name);
    return marks.isEmpty() ? name
                           : QStringLiteral("%1 (%2)").arg(name, marks.join(QStringLiteral(", ")));
}

} // namespace registroui
