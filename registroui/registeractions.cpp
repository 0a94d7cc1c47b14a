// SPDX-License-Identifier: GPL-3.0-or-later
// The menus of the teacher's window and what they do. Everything that deletes
// asks first, with No as the answer to a stray Enter; every failure is told
// in the notice line.
#include "registerwindow.h"

#include "formdialog.h"

#include "labsettings.h"
#include "register.h"
#include "server.h"
#include "yesno.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolBar>

namespace registroui {

bool askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *yes = platform::addYesNo(box);
    box.exec();
    return box.clickedButton() == yes;
}

bool accepted(QDialog &dialog, QFormLayout *form)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    return dialog.exec() == QDialog::Accepted;
}

void RegisterWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Apri un altro registro..."), this,
                    [this] { openOther(false); });
    file->addAction(QStringLiteral("A&ggiungi un registro..."), this, [this] { openOther(true); });
    file->addSeparator();
    file->addAction(QStringLiteral("Registro della s&cuola..."), this,
                    &RegisterWindow::schoolDialog);
    m_local = file->addAction(QStringLiteral("Registri di &questo account"), this,
                              &RegisterWindow::showLocal);
    file->addSeparator();
    m_export = file->addAction(QStringLiteral("&Esporta..."), this, &RegisterWindow::exportDialog);
    m_print = file->addAction(QStringLiteral("&Stampa la classe..."), this,
                              [this] { printDialog(false); });
    m_print->setShortcut(QKeySequence::Print);
    m_printChild = file->addAction(QStringLiteral("Stampa per la &famiglia..."), this,
                                   [this] { printDialog(true); });
    m_printChild->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+P")));
    file->addSeparator();
    file->addAction(QStringLiteral("E&sci"), this, &QWidget::close);
    QMenu *reg = bar->addMenu(QStringLiteral("&Registro"));
    reg->setToolTipsVisible(true); // a disabled delete says why
    m_recording =
        reg->addAction(QStringLiteral("Registra le &gare"), this, &RegisterWindow::toggleRecording);
    m_recording->setCheckable(true);
    m_rename = reg->addAction(QStringLiteral("&Rinomina il bambino scelto..."), this,
                              [this] { renameDialog(false); });
    m_merge = reg->addAction(QStringLiteral("&Unisci il bambino scelto a..."), this,
                             [this] { renameDialog(true); });
    m_deleteChild = reg->addAction(QStringLiteral("Cancella i dati del &bambino scelto..."), this,
                                   &RegisterWindow::deleteChild);
    m_deleteAll = reg->addAction(QStringLiteral("Cancella &tutto il registro..."), this,
                                 &RegisterWindow::deleteAll);
    // F10 opens the menu bar, as on every desktop.
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, bar,
            [bar] { bar->setActiveAction(bar->actions().first()); });
}

void RegisterWindow::refreshMenus()
{
    const bool mine = m_writable.contains(m_home) && m_paths == QStringList{m_home};
    m_recording->setEnabled(mine);
    m_recording->setChecked(mine && m_recordingOn);
    for (QAction *change : {m_rename, m_merge, m_deleteChild}) {
        change->setEnabled(m_changeable && chosen());
        change->setToolTip(m_unchangeable);
    }
    m_merge->setEnabled(m_merge->isEnabled() && m_children.size() > 1);
    m_deleteAll->setEnabled(mine);
    m_export->setEnabled(!m_children.isEmpty());
    m_print->setEnabled(!m_children.isEmpty());
    m_printChild->setEnabled(chosen());
    m_printChild->setText(chosen() ? QStringLiteral("Stampa per la famiglia di %1...")
                                         .arg(registro::shownName(chosen()->name))
                                   : QStringLiteral("Stampa per la &famiglia..."));
    m_local->setEnabled(onServer());
}

void RegisterWindow::beginAction()
{
    m_actionProblems.clear();
    if (m_done)
        m_done->hide();
    showNotice();
}

void RegisterWindow::showProblem(const QString &text)
{
    m_actionProblems << text;
    showNotice();
}

void RegisterWindow::turnOn()
{
    beginAction();
    const registro::Register reg = registro::Register::create(m_home);
    const QString problem = reg.isOpen() ? QString() : reg.problem();
    showRegisters({m_home});
    if (!problem.isEmpty())
        showProblem(problem);
}

void RegisterWindow::toggleRecording()
{
    beginAction();
    registro::Register reg = registro::Register::open(m_home, registro::Access::ReadWrite);
    const QString why = reg.isOpen() ? reg.setRecording(m_recording->isChecked()) : reg.problem();
    m_recordingOn = reg.isOpen() && reg.recording();
    reg.close();
    refreshMenus();
    if (!why.isEmpty())
        showProblem(QStringLiteral("Registrare le gare: %1").arg(why));
}

void RegisterWindow::deleteChild()
{
    beginAction();
    const registro::Child *c = chosen();
    if (!c || !m_changeable)
        return;
    const QString name = c->name;
    const QString shown = registro::shownName(name);
    const auto races = c->races.size();
    const QString question =
        (races == 1 ? QStringLiteral("Cancellare la gara di %1?").arg(shown)
                    : QStringLiteral("Cancellare le %1 gare di %2?").arg(races).arg(shown)) +
        m_source->deleteWarning();
    if (!confirm(question))
        return;
    const QStringList unchanged = m_source->deleteChild(name);
    showSource(std::move(m_source));
    for (const QString &line : unchanged)
        showProblem(line);
}

void RegisterWindow::deleteAll()
{
    beginAction();
    if (!m_deleteAll->isEnabled())
        return;
    int races = 0;
    for (const registro::Child &c : m_children)
        races += int(c.races.size());
    if (!confirm(QStringLiteral("Cancellare tutto il registro? Le %1 gare di %2 bambini andranno "
                                "perse.")
                     .arg(races)
                     .arg(m_children.size())) ||
        !confirm(QStringLiteral("Ultima domanda: cancellare davvero tutto il registro? Non si "
                                "potrà tornare indietro.")))
        return;
    // No connection of this window outlives its file.
    m_source.reset();
    QStringList left;
    for (const char *suffix : {"", "-wal", "-shm"}) {
        QFile file(m_home + QLatin1String(suffix));
        if (file.exists() && !file.remove())
            left << QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
    }
    if (!left.isEmpty()) {
        showRegisters({m_home});
        showProblem(QStringLiteral("Il registro non è stato cancellato del tutto: %1")
                        .arg(left.join(QStringLiteral("; "))));
        return;
    }
    m_paths.clear();
    m_children.clear();
    m_writable.clear();
    m_changeable = false;
    m_pages->setCurrentIndex(0);
    refreshMenus();
}

// This account's registers: its own and, on a home shared by the lab, every
// computer's file beside it.
QStringList RegisterWindow::homeRegisters() const
{
    QStringList paths = registro::registersIn(QFileInfo(m_home).path() + u'/');
    if ((QFileInfo::exists(m_home) || QFileInfo(m_home).isSymLink()) && !paths.contains(m_home))
        paths.prepend(m_home);
    return paths;
}

void RegisterWindow::openOther(bool merge)
{
    beginAction();
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("Apri un registro"), QFileInfo(m_home).path(),
        QStringLiteral("Registri di dieci (*.sqlite);;Tutti i file (*)"));
    if (!file.isEmpty())
        showRegisters(merge ? m_paths + QStringList{file} : QStringList{file});
}

void RegisterWindow::printDialog(bool chosenChild)
{
    beginAction();
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Stampa il registro"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this, chosenChild](QPrinter *p) { printTo(*p, chosenChild); });
    // Printing first: on a small screen the toolbar's last buttons, printing
    // among them, go behind its "»".
    if (auto *bar = preview.findChild<QToolBar *>();
        bar && bar->actions().size() > 1 && !bar->actions().constLast()->isSeparator()) {
        QAction *print = bar->actions().constLast();
        bar->insertAction(bar->actions().constFirst(), print);
        bar->insertSeparator(bar->actions().at(1));
    }
    preview.resize(size());
    preview.exec();
}

} // namespace registroui
