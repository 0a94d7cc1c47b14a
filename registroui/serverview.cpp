// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's window on the school's server: its classes, one at a time.
#include "registerwindow.h"

#include "formdialog.h"
#include "labsettings.h"
#include "server.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QStackedWidget>

#include <utility>

namespace registroui {

bool RegisterWindow::showServer(const QString &conninfo)
{
    const QString name = QStringLiteral("registro-scuola-%1").arg(quintptr(this));
    leaveServer();
    QString why = registro::server::connect(conninfo, name);
    QList<registro::server::ClassRow> classes;
    if (why.isEmpty())
        classes = registro::server::classes(QSqlDatabase::database(name, false), &why);
    if (!why.isEmpty()) {
        QSqlDatabase::removeDatabase(name);
        showProblem(QStringLiteral("Il registro della scuola non si può leggere (%1): qui sotto "
                                   "i registri di questo account.")
                        .arg(why));
        return false;
    }
    m_server = conninfo;
    m_connection = name;
    m_classBox->clear();
    for (const registro::server::ClassRow &c : classes)
        m_classBox->addItem(
            QStringLiteral("%1 (%2 bambini, %3 gare)").arg(c.name).arg(c.children).arg(c.races),
            c.name);
    m_classRow->show();
    setWindowTitle(QStringLiteral("Registro di dieci - scuola"));
    return showClass(classes.isEmpty() ? QString() : classes.first().name);
}

bool RegisterWindow::showClass(const QString &className)
{
    if (!onServer())
        return false;
    const int index = m_classBox->findData(className);
    if (!className.isEmpty() && index < 0)
        return false;
    m_classBox->setCurrentIndex(index);
    m_className = className;
    m_paths.clear();
    return showSource(schoolClass(m_server, className));
}

void RegisterWindow::leaveServer()
{
    if (m_connection.isEmpty())
        return;
    QSqlDatabase::removeDatabase(std::exchange(m_connection, {}));
    m_server.clear();
    m_className.clear();
    m_classRow->hide();
    setWindowTitle(QStringLiteral("Registro di dieci"));
}

void RegisterWindow::showLocal()
{
    beginAction();
    showRegisters(homeRegisters());
    if (m_paths.isEmpty())
        m_pages->setCurrentIndex(0);
}

// The school's server as the teacher reaches it; kept in her account only,
// where no other account can read the password.
void RegisterWindow::schoolDialog()
{
    beginAction();
    registro::server::ConnInfo info =
        registro::server::parseConnInfo(platform::readLabSettings().ownServer);
    QDialog ask(this);
    ask.setWindowTitle(QStringLiteral("Registro della scuola"));
    auto *form = new QFormLayout(&ask);
    auto *host = new QLineEdit(info.host);
    auto *port = new QSpinBox;
    port->setRange(1, 65535);
    port->setValue(info.port > 0 ? info.port : 5432);
    auto *database = new QLineEdit(info.dbname);
    auto *user = new QLineEdit(info.user);
    auto *password = new QLineEdit(info.password);
    password->setEchoMode(QLineEdit::Password);
    // The lab's computers keep the server's certificate there; checking it is
    // what keeps the class's names from whoever sits in between.
    auto *verify = new QCheckBox(QStringLiteral("&Controlla il certificato del server (%1)")
                                     .arg(QLatin1String(registro::server::CertificatePath)));
    verify->setChecked(info.host.isEmpty() ? QFileInfo::exists(registro::server::CertificatePath)
                                           : registro::server::verifiesTls(info));
    form->addRow(new QLabel(QStringLiteral("I dati li dà chi cura i computer della scuola.")));
    form->addRow(QStringLiteral("&Server"), host);
    form->addRow(QStringLiteral("P&orta"), port);
    form->addRow(QStringLiteral("&Database"), database);
    form->addRow(QStringLiteral("&Utente"), user);
    form->addRow(QStringLiteral("&Password"), password);
    form->addRow(verify);
    if (!accepted(ask, form))
        return;
    info.host = host->text().trimmed();
    info.port = port->value() == 5432 ? -1 : port->value();
    info.dbname = database->text().trimmed();
    info.user = user->text().trimmed();
    info.password = password->text();
    const QString conninfo =
        registro::server::connInfoText(registro::server::withTls(info, verify->isChecked()));
    if (const QString why = platform::storeOwnServer(conninfo); !why.isEmpty())
        showProblem(QStringLiteral("Le impostazioni non sono state salvate: %1").arg(why));
    showServer(conninfo);
}

} // namespace registroui
