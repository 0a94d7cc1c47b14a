// SPDX-License-Identifier: GPL-3.0-or-later
// The export: what to write and where, and then where it went, in words,
// with the folder a click away.
#include "registerwindow.h"

#include "formdialog.h"
#include "register.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace registroui {

namespace {
// Where a teacher keeps her files: the desktop's documents folder
// (~/Documenti on an Italian desktop), else her home, never the program's
// hidden folder.
QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
} // namespace

void RegisterWindow::showDone(const QString &text, const QString &folder)
{
    if (!m_done) {
        m_done = new QLabel;
        m_done->setObjectName(QStringLiteral("fatto"));
        m_done->setWordWrap(true);
        m_done->setTextFormat(Qt::RichText);
        m_done->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        m_done->setStyleSheet(QStringLiteral("background: #d4edda; color: black; padding: 4px;"));
        connect(m_done, &QLabel::linkActivated, this, [this] { openFolder(m_doneFolder); });
        static_cast<QVBoxLayout *>(centralWidget()->layout())->insertWidget(1, m_done);
    }
    m_doneFolder = folder;
    m_done->setText(text.toHtmlEscaped() +
                    QStringLiteral(" <a href=\"cartella\">Apri la cartella</a>"));
    m_done->show();
}

bool RegisterWindow::exportTo(const QString &csv, bool chosenOnly, QDate from, QDate to)
{
    beginAction();
    const registro::Child *c = chosen();
    const registro::ExportFilter filter{chosenOnly && c ? c->name : QString(), from, to, true};
    qint64 rows = 0;
    const QString why = m_source ? m_source->exportCsv(csv, filter, &rows) : QString();
    if (!why.isEmpty()) {
        showProblem(QStringLiteral("Esportazione non riuscita: %1").arg(why));
        return false;
    }
    const QFileInfo written(csv);
    showDone(QStringLiteral("Esportate %1 risposte in %2, nella cartella %3.")
                 .arg(QLocale().toString(rows), written.fileName(),
                      QDir::toNativeSeparators(written.absolutePath())),
             written.absolutePath());
    return true;
}

// What to export: the class or the chosen child, and which days; then where.
void RegisterWindow::exportDialog()
{
    QDialog ask(this);
    ask.setWindowTitle(QStringLiteral("Esporta"));
    auto *form = new QFormLayout(&ask);
    auto *all = new QRadioButton(QStringLiteral("Tutta la &classe"));
    auto *one = new QRadioButton(
        chosen() ? QStringLiteral("Solo %1").arg(registro::shownName(chosen()->name))
                 : QStringLiteral("Solo un bambino"));
    one->setEnabled(chosen());
    all->setChecked(true);
    form->addRow(all);
    form->addRow(one);
    auto *someDays = new QCheckBox(QStringLiteral("Solo &alcuni giorni"));
    auto *from = new QDateEdit(QDate::currentDate().addMonths(-1));
    auto *to = new QDateEdit(QDate::currentDate());
    for (QDateEdit *edit : {from, to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        edit->setEnabled(false);
        connect(someDays, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    }
    form->addRow(someDays);
    form->addRow(QStringLiteral("&Dal"), from);
    form->addRow(QStringLiteral("A&l"), to);
    if (!accepted(ask, form))
        return;
    const QString csv = QFileDialog::getSaveFileName(
        this, QStringLiteral("Esporta le risposte"),
        documentsFolder() + QStringLiteral("/gare-%1.csv")
                                .arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))),
        QStringLiteral("Fogli di calcolo CSV (*.csv)"));
    if (!csv.isEmpty())
        exportTo(csv, one->isChecked(), someDays->isChecked() ? from->date() : QDate(),
                 someDays->isChecked() ? to->date() : QDate());
}

} // namespace registroui
