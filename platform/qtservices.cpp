#include "qtservices.h"

#include "preciseticker.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace platform {

struct QtServices::SoundCache {
    // One decoded effect per file, kept for the life of the program.
    QHash<QString, QSoundEffect *> effects;
    QObject owner;
};

QtServices::QtServices(QString title)
    : m_sounds(std::make_unique<SoundCache>()), m_title(std::move(title))
{
}

QtServices::~QtServices() = default;

namespace {
QWidget *dialogParent()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (w->isVisible() && w->isWindow() && !w->inherits("QMenu"))
            return w;
    return nullptr;
}
} // namespace

Reply QtServices::messageBox(const QString &prompt, BoxStyle style, const QString &title)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(title.isEmpty() ? m_title : title);
    box.setText(prompt);
    box.setTextFormat(Qt::PlainText);
    if (style == BoxStyle::YesNoQuestion) {
        box.setIcon(QMessageBox::Question);
        QPushButton *yes = box.addButton(QStringLiteral("&Sì"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Reply::Yes : Reply::No;
    }
    box.setIcon(style == BoxStyle::Critical ? QMessageBox::Critical : QMessageBox::NoIcon);
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box.exec();
    return Reply::Ok;
}

QString QtServices::inputBox(const QString &prompt)
{
    QInputDialog box(dialogParent());
    box.setWindowTitle(m_title);
    box.setLabelText(prompt);
    box.setOkButtonText(QStringLiteral("OK"));
    box.setCancelButtonText(QStringLiteral("Annulla"));
    if (auto *line = box.findChild<QLineEdit *>())
        line->setMaxLength(255);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void QtServices::loadSound(const QString &path)
{
    if (m_sounds->effects.contains(path))
        return;
    QSoundEffect *effect = nullptr;
    if (QFileInfo(path).isFile()) {
        effect = new QSoundEffect(&m_sounds->owner);
        effect->setSource(QUrl::fromLocalFile(path));
    }
    // A missing file is remembered too, so it is not looked for again.
    m_sounds->effects.insert(path, effect);
}

void QtServices::playSound(const QString &path)
{
    loadSound(path);
    if (QSoundEffect *effect = m_sounds->effects.value(path);
        effect && effect->status() != QSoundEffect::Error)
        effect->play();
}

double QtServices::rnd()
{
    return m_random.next();
}

void QtServices::randomize()
{
    m_random.reseed(std::uint64_t(QDateTime::currentMSecsSinceEpoch()));
}

std::unique_ptr<Ticker> QtServices::makeTicker(int intervalMs, std::function<void()> onTick)
{
    return std::make_unique<PreciseTicker>(intervalMs, std::move(onTick));
}

QString QtServices::programFolder() const
{
    const QDir binDir(QCoreApplication::applicationDirPath());
    if (binDir.exists(QStringLiteral("suoni")))
        return binDir.absolutePath();
    const QString installed =
        QDir::cleanPath(binDir.absoluteFilePath(QStringLiteral(DIECI_BIN_TO_DATA)));
    if (QFileInfo(installed).isDir())
        return installed;
    return binDir.absolutePath();
}

QString QtServices::dataFolder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/dieci");
}

void QtServices::end(int status)
{
    // The record files are already committed; nothing else needs an orderly
    // shutdown, and no handler may run after the end.
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace platform
