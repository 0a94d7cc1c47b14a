// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtservices.h"

#include "labsettings.h"
#include "preciseticker.h"
#include "soundfiles.h"
#include "speaker.h"
#include "yesno.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QInputDialog>
#include <QLineEdit>
#include <QMediaDevices>
#include <QMessageBox>
#include <QPushButton>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
// A machine without sound must stay silent in every sense: Qt's audio backend
// warns on stderr when it finds no server or device, so warnings raised while
// the sound service is at work are dropped. Everything else passes through.
// A handler, not logging rules: those warnings have no category of their own.
bool g_quietSound = false;
QtMessageHandler g_previousHandler = nullptr;

void soundAwareHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_quietSound && (type == QtWarningMsg || type == QtInfoMsg || type == QtDebugMsg))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

class QuietSound {
public:
    QuietSound() { g_quietSound = true; }
    ~QuietSound() { g_quietSound = false; }
    QuietSound(const QuietSound &) = delete;
    QuietSound &operator=(const QuietSound &) = delete;
};
} // namespace

struct QtServices::SoundCache {
    // One decoded effect per file, kept for the life of the program.
    QHash<QString, QSoundEffect *> effects;
    QObject owner;
    QString school; // the lab's folder of sounds, read at the first sound
    bool schoolRead = false;
};

QtServices::QtServices(QString title)
    : m_sounds(std::make_unique<SoundCache>()), m_title(std::move(title))
{
    m_clock.start();
    g_previousHandler = qInstallMessageHandler(soundAwareHandler);
}

QtServices::~QtServices()
{
    qInstallMessageHandler(g_previousHandler);
}

namespace {
// Hands the waiting work to the event loop once the box has painted.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget *box, std::vector<std::function<void()>> work)
        : QObject(box), m_work(std::move(work))
    {
        box->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_work.empty())
            // Queued: the frame reaches the screen before the work begins.
            QTimer::singleShot(0, [work = std::exchange(m_work, {})] {
                for (const auto &w : work)
                    w();
            });
        return QObject::eventFilter(watched, event);
    }

private:
    std::vector<std::function<void()>> m_work;
};

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

void QtServices::afterFirstFrame(std::function<void()> work)
{
    m_afterFrame.push_back(std::move(work));
}

void QtServices::runAfterFirstFrame(QWidget *box)
{
    if (!m_afterFrame.empty())
        new FirstPaint(box, std::exchange(m_afterFrame, {}));
}

Reply QtServices::messageBox(const QString &prompt, BoxStyle style, const QString &title)
{
    QMessageBox box(dialogParent());
    runAfterFirstFrame(&box);
    box.setWindowTitle(title.isEmpty() ? m_title : title);
    box.setText(prompt);
    box.setTextFormat(Qt::PlainText);
    if (style == BoxStyle::YesNoQuestion) {
        QPushButton *yes = addYesNo(box);
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
    runAfterFirstFrame(&box);
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
    const QuietSound quiet;
    // Without an output device there is nothing to load; ask again next time,
    // in case headphones were plugged in meanwhile.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    // The teacher's own recording, kept in her data folder, comes first.
    QString complaint;
    // Then the school's, which IT put in one folder for every account.
    if (!m_sounds->schoolRead) {
        m_sounds->school = readLabSettings().soundFolder;
        m_sounds->schoolRead = true;
    }
    QString mine = dataFolder() + QStringLiteral("/suoni/") + QFileInfo(path).fileName();
    if (!QFileInfo::exists(mine) && !m_sounds->school.isEmpty())
        mine = m_sounds->school + u'/' + QFileInfo(path).fileName();
    const QString file =
        chooseSound(path, mine,
                    QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        QStringLiteral("/dieci"),
                    &complaint);
    if (!complaint.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(complaint));
    QSoundEffect *effect = nullptr;
    if (!file.isEmpty()) {
        effect = new QSoundEffect(&m_sounds->owner);
        effect->setSource(QUrl::fromLocalFile(file));
    }
    // A missing file is remembered too, so it is not looked for again.
    m_sounds->effects.insert(path, effect);
}

void QtServices::playSound(const QString &path)
{
    loadSound(path);
    const QuietSound quiet;
    if (QSoundEffect *effect = m_sounds->effects.value(path);
        effect && effect->status() != QSoundEffect::Error)
        effect->play();
}

void QtServices::say(const QString &text, Speech how)
{
    if (!m_speaker)
        m_speaker = std::make_unique<Speaker>();
    m_speaker->say(text, how);
}

bool QtServices::screenReaderRunning() const
{
    return platform::screenReaderRunning();
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
    return userDataFolder();
}

void QtServices::end(int status)
{
    // The record files are already committed; nothing else needs an orderly
    // shutdown, and no handler may run after the end. Only our own streams
    // are flushed: flushing every stream waits for each one's lock, and the
    // speech library's reader holds its socket's while it waits for a line.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

} // namespace platform
