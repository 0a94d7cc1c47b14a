// SPDX-License-Identifier: GPL-3.0-or-later
#include "speaker.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QLocale>
#include <QStringList>
#include <QTextToSpeech>

#include <cstdio>

namespace platform {

class SpeechWorker : public QObject {
public:
    void say(const QString &text, Speech how)
    {
        if (!ready())
            return;
        if (how == Speech::Cut) {
            m_waiting.clear();
            if (m_engine->state() == QTextToSpeech::Speaking)
                m_engine->stop();
            m_engine->say(text);
        } else if (m_engine->state() == QTextToSpeech::Speaking) {
            m_waiting << text;
        } else {
            m_engine->say(text);
        }
    }

private:
    // Made at the first text, on this thread: starting the engine may take
    // a while, and it would otherwise be paid by every race without a voice.
    bool ready()
    {
        if (m_engine || m_failed)
            return !m_failed;
        if (QTextToSpeech::availableEngines().isEmpty())
            return fail(QStringLiteral("nessun motore di sintesi vocale installato"));
        m_engine = new QTextToSpeech(this);
        if (m_engine->state() == QTextToSpeech::Error)
            return fail(m_engine->errorString());
        m_engine->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
        QObject::connect(m_engine, &QTextToSpeech::stateChanged, this,
                         [this](QTextToSpeech::State state) {
                             if (state == QTextToSpeech::Error)
                                 fail(m_engine->errorString());
                             else if (state == QTextToSpeech::Ready && !m_waiting.isEmpty())
                                 m_engine->say(m_waiting.takeFirst());
                         });
        return true;
    }

    bool fail(const QString &why)
    {
        if (!m_failed)
            std::fprintf(stderr, "dieci: voce non disponibile (%s): la gara continua senza voce\n",
                         qPrintable(why.isEmpty() ? QStringLiteral("errore del motore") : why));
        m_failed = true;
        m_waiting.clear();
        return false;
    }

    QTextToSpeech *m_engine = nullptr;
    QStringList m_waiting; // said once what is being said ends
    bool m_failed = false;
};

Speaker::Speaker() : m_worker(new SpeechWorker)
{
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("voce"));
    m_thread.start();
}

Speaker::~Speaker()
{
    m_thread.quit();
    m_thread.wait();
}

void Speaker::say(const QString &text, Speech how)
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, text, how] { worker->say(text, how); });
}

bool screenReaderRunning()
{
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled");
    // No bus is started for the question: a desktop without one has no reader.
    ask.setAutoStartService(false);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(ask, QDBus::Block, 500);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace platform
