// SPDX-License-Identifier: GPL-3.0-or-later
#include "classsource.h"

#include "pq.h"
#include "server.h"

#include <memory>
#include <vector>

namespace registroui {

namespace {
// Where the drill reads a child's race: the account's own register.
const QString OnlyHere = QStringLiteral("Si può cambiare solo nel registro di questo account.");

class LocalRegisters final : public ClassSource {
public:
    LocalRegisters(QStringList paths, QString home)
        : m_paths(std::move(paths)), m_home(std::move(home))
    {
    }

    ClassLoad load() const override
    {
        ClassLoad loaded;
        // Held while the class is read: each file is checked once, not twice.
        std::vector<registro::Register> held;
        for (const QString &path : m_paths) {
            // Opened for writing first: an older register is brought up to date.
            const registro::Register &writer =
                held.emplace_back(registro::Register::open(path, registro::Access::ReadWrite));
            if (path == m_home)
                loaded.recordingOn = writer.isOpen() && writer.recording();
            if (writer.isOpen())
                loaded.writable << path;
            else if (writer.error().kind != registro::ErrorKind::Damaged && writer.version() > 0)
                loaded.problems
                    << QStringLiteral("%1; aperto in sola lettura").arg(writer.problem());
        }
        int unread = 0;
        loaded.children = registro::loadClass(m_paths, &loaded.problems, &unread);
        loaded.readable = unread < m_paths.size() || m_paths.isEmpty();
        loaded.changeable = !loaded.writable.isEmpty();
        if (!loaded.writable.contains(m_home))
            loaded.unsettable = OnlyHere;
        if (!loaded.changeable && !m_paths.isEmpty())
            loaded.unchangeable = QStringLiteral("Nessun registro aperto si può modificare: sono "
                                                 "in sola lettura o danneggiati.");
        return loaded;
    }

    QString deleteWarning() const override
    {
        return m_paths.size() > 1
                   ? QStringLiteral(" Sparisce da tutti i %1 registri aperti.").arg(m_paths.size())
                   : QString();
    }

    QStringList deleteChild(const QString &name) const override
    {
        QStringList unchanged;
        for (const QString &path : m_paths) {
            registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
            if (!reg.isOpen() || reg.deleteChild(name) < 0)
                unchanged << QStringLiteral("Le gare di %1 restano in un registro che non si può "
                                            "cambiare: %2")
                                 .arg(name, reg.problem());
        }
        return unchanged;
    }

    QString exportCsv(const QString &csv, const registro::ExportFilter &filter,
                      qint64 *rows) const override
    {
        return registro::exportCsv(m_paths, csv, filter, rows);
    }

    QStringList renameChild(const QString &from, const QString &to) const override
    {
        QStringList unchanged;
        for (const QString &path : m_paths) {
            registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
            if (!reg.isOpen() || reg.renameChild(from, to) < 0)
                unchanged << QStringLiteral("%1 resta con il suo nome in un registro che non si "
                                            "può cambiare: %2")
                                 .arg(from, reg.problem());
        }
        return unchanged;
    }

    QString setRace(const QString &name, const registro::Adaptation &race) override
    {
        // Each step of the spin box is kept: the register stays open between them.
        if (!m_settings.isOpen())
            m_settings = registro::Register::open(m_home, registro::Access::ReadWrite);
        const QString why =
            m_settings.isOpen() ? m_settings.setAdaptation(name, race) : m_settings.problem();
        if (!m_settings.isOpen())
            m_settings = registro::Register(); // tried again at the next change
        return why;
    }

private:
    QStringList m_paths;
    QString m_home;
    registro::Register m_settings; // open once the teacher sets a child's race
};

class SchoolClass final : public ClassSource {
public:
    SchoolClass(QString conninfo, QString className)
        : m_conninfo(std::move(conninfo)), m_className(std::move(className))
    {
    }

    ClassLoad load() const override
    {
        ClassLoad loaded;
        if (m_className.isEmpty()) {
            loaded.problems << QStringLiteral(
                "Il registro della scuola non ha ancora nessuna gara.");
            return loaded;
        }
        QString why;
        withConnection(
            [&](registro::server::Pq &db) {
                loaded.children = registro::server::loadClass(db, m_className, &why);
            },
            &why);
        if (!why.isEmpty())
            loaded.problems << QStringLiteral("Registro della scuola: %1").arg(why);
        loaded.readable = why.isEmpty();
        return loaded;
    }

    QString deleteWarning() const override
    {
        return QStringLiteral(" Spariscono dal registro della scuola (classe %1), per tutti gli "
                              "insegnanti.")
            .arg(m_className);
    }

    QStringList deleteChild(const QString &name) const override
    {
        QString why;
        withConnection(
            [&](registro::server::Pq &db) {
                registro::server::deleteChild(db, m_className, name, &why);
            },
            &why);
        if (why.isEmpty())
            return {};
        return {QStringLiteral("Le gare di %1 restano sul server: %2").arg(name, why)};
    }

    QString exportCsv(const QString &csv, const registro::ExportFilter &filter,
                      qint64 *rows) const override
    {
        return registro::server::exportCsv(m_conninfo, csv, filter, m_className, rows);
    }

    QStringList renameChild(const QString &from, const QString &to) const override
    {
        QString why;
        withConnection(
            [&](registro::server::Pq &db) {
                registro::server::renameChild(db, m_className, from, to, &why);
            },
            &why);
        if (why.isEmpty())
            return {};
        return {QStringLiteral("%1 resta con il suo nome sul server: %2").arg(from, why)};
    }

    // Kept on the server for the class: the drill asks for it on every
    // computer of the lab. Each step of the spin box is sent on the same
    // connection, made at the first.
    QString setRace(const QString &name, const registro::Adaptation &race) override
    {
        if (!m_settings || !m_settings->ok())
            m_settings = registro::server::Pq::open(m_conninfo);
        QString why = m_settings->error();
        if (why.isEmpty())
            why = registro::server::setRace(*m_settings, m_className, name, race);
        if (!why.isEmpty())
            m_settings.reset(); // connected again at the next change
        return why;
    }

private:
    // Each piece of work on a connection of its own, made on the thread that runs it.
    template <typename Work> void withConnection(Work work, QString *why) const
    {
        const std::unique_ptr<registro::server::Pq> db = registro::server::Pq::open(m_conninfo);
        *why = db->error();
        if (why->isEmpty())
            work(*db);
    }

    QString m_conninfo;
    QString m_className;
    std::unique_ptr<registro::server::Pq> m_settings; // where her changes go
};
} // namespace

std::unique_ptr<ClassSource> localRegisters(const QStringList &paths, const QString &home)
{
    return std::make_unique<LocalRegisters>(paths, home);
}

std::unique_ptr<ClassSource> schoolClass(const QString &conninfo, const QString &className)
{
    return std::make_unique<SchoolClass>(conninfo, className);
}

} // namespace registroui
