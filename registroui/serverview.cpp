// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's window on the school's server: its classes, one at a time.
#include "registerwindow.h"

#include "formdialog.h"
#include "labsettings.h"
#include "pq.h"
#include "server.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

#include <utility>

namespace registroui {

bool RegisterWindow::showServer(const QString &conninfo)
{
    leaveServer();
    const std::unique_ptr<registro::server::Pq> db = registro::server::Pq::open(conninfo);
    QString why = db->error();
    QList<registro::server::ClassRow> classes;
    if (why.isEmpty())
        classes = registro::server::classes(*db, &why);
    if (!why.isEmpty()) {
        showProblem(QStringLiteral("Il registro della scuola non si può leggere (%1): qui sotto "
                                   "i registri di questo account.")
                        .arg(why));
        return false;
    }
    m_server = conninfo;
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
    if (!onServer())
        return;
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

QString RegisterWindow::tryServer(const QString &conninfo)
{
    const auto server = registro::server::Pq::open(conninfo);
    if (!server->ok())
        return QStringLiteral("Collegamento non riuscito: %1").arg(server->error());
    const registro::server::Pq::Reply classes = server->exec("SELECT count(*) FROM dieci.classes");
    if (!classes.why.isEmpty())
        return QStringLiteral("Il server risponde, ma questo utente non può leggere le classi "
                              "(è quello dei computer del laboratorio?): %1")
            .arg(classes.why);
    const bool checked = server->encrypted() && server->sslMode() == QLatin1String("verify-full");
    return QStringLiteral("Collegamento riuscito: %1 classi sul server; %2")
        .arg(classes.value, checked
                                ? QStringLiteral("il certificato del server è controllato.")
                                : QStringLiteral("il certificato del server NON è controllato."));
}

namespace {
// The dialog's fields, and the connection string they make.
struct ServerForm {
    QLineEdit *host = nullptr;
    QSpinBox *port = nullptr;
    QLineEdit *database = nullptr;
    QLineEdit *user = nullptr;
    QLineEdit *password = nullptr;
    QCheckBox *verify = nullptr;

    QString conninfo(registro::server::ConnInfo info) const
    {
        info.host = host->text().trimmed();
        info.port = port->value() == 5432 ? -1 : port->value();
        info.dbname = database->text().trimmed();
        info.user = user->text().trimmed();
        info.password = password->text();
        return registro::server::connInfoText(registro::server::withTls(info, verify->isChecked()));
    }
};

ServerForm addFields(QFormLayout *form, const registro::server::ConnInfo &info)
{
    ServerForm f{new QLineEdit(info.host),     new QSpinBox,
                 new QLineEdit(info.dbname),   new QLineEdit(info.user),
                 new QLineEdit(info.password), nullptr};
    f.port->setRange(1, 65535);
    f.port->setValue(info.port > 0 ? info.port : 5432);
    f.password->setEchoMode(QLineEdit::Password);
    // The lab's computers keep the server's certificate there; checking it is
    // what keeps the class's names from whoever sits in between.
    f.verify = new QCheckBox(QStringLiteral("&Controlla il certificato del server (%1)")
                                 .arg(QLatin1String(registro::server::CertificatePath)));
    f.verify->setChecked(info.host.isEmpty() ? QFileInfo::exists(registro::server::CertificatePath)
                                             : registro::server::verifiesTls(info));
    form->addRow(new QLabel(QStringLiteral("I dati li dà chi cura i computer della scuola.")));
    form->addRow(QStringLiteral("&Server"), f.host);
    form->addRow(QStringLiteral("P&orta"), f.port);
    form->addRow(QStringLiteral("&Database"), f.database);
    form->addRow(QStringLiteral("&Utente"), f.user);
    form->addRow(QStringLiteral("&Password"), f.password);
    form->addRow(f.verify);
    return f;
}
} // namespace

// The school's server as the teacher reaches it; kept in her account only,
// where no other account can read the password.
void RegisterWindow::schoolDialog()
{
    beginAction();
    const registro::server::ConnInfo info =
        registro::server::parseConnInfo(platform::readLabSettings().ownServer);
    QDialog ask(this);
    ask.setWindowTitle(QStringLiteral("Registro della scuola"));
    auto *form = new QFormLayout(&ask);
    const ServerForm fields = addFields(form, info);
    // Tried before anything is kept: what is wrong, said in the dialog.
    auto *tryIt = new QPushButton(QStringLiteral("P&rova"));
    auto *outcome = new QLabel;
    outcome->setWordWrap(true);
    outcome->setTextFormat(Qt::PlainText);
    connect(tryIt, &QPushButton::clicked, &ask, [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        outcome->setText(tryServer(fields.conninfo(info)));
        QApplication::restoreOverrideCursor();
    });
    form->addRow(tryIt, outcome);
    if (!accepted(ask, form))
        return;
    const QString conninfo = fields.conninfo(info);
    if (const QString why = platform::storeOwnServer(conninfo); !why.isEmpty())
        showProblem(QStringLiteral("Le impostazioni non sono state salvate: %1").arg(why));
    showServer(conninfo);
}

} // namespace registroui
