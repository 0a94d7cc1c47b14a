// SPDX-License-Identifier: GPL-3.0-or-later
#include "register.h"

#include "schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace registro {

namespace {
const QString StampFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
}

QString registerPath(const QString &dir)
{
    return dir + QLatin1String(FileName);
}

QString ownRegisterPath(const QString &dir, bool networkHome, const QString &computer)
{
    if (!networkHome)
        return registerPath(dir);
    QString name = computer;
    for (QChar &c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'.' && c != u'_')
            c = u'_';
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(QStringLiteral("pc"));
    return dir + QStringLiteral("registro-%1.sqlite").arg(name);
}

bool perComputer(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1String("registro-")) && name.endsWith(QLatin1String(".sqlite"));
}

QStringList registersIn(const QString &dir)
{
    QStringList paths;
    if (QFileInfo::exists(registerPath(dir)))
        paths << registerPath(dir);
    const QStringList own = QDir(dir).entryList({QStringLiteral("registro-*.sqlite")},
                                                QDir::Files | QDir::System, QDir::Name);
    for (const QString &name : own)
        paths << dir + name;
    return paths;
}

QString timestamp(const QDateTime &time)
{
    return time.toString(StampFormat);
}

QDateTime fromTimestamp(const QString &stamp)
{
    return QDateTime::fromString(stamp, StampFormat);
}

Register::~Register()
{
    close();
}

Register::Register(Register &&other) noexcept
{
    *this = std::move(other);
}

Register &Register::operator=(Register &&other) noexcept
{
    if (this != &other) {
        close();
        m_path = std::move(other.m_path);
        m_connection = std::exchange(other.m_connection, {});
        m_claim = std::move(other.m_claim);
        m_error = std::move(other.m_error);
        m_writable = other.m_writable;
        m_version = other.m_version;
    }
    return *this;
}

Register &Register::fail(Error why)
{
    close();
    m_error = std::move(why);
    return *this;
}

QString Register::problem() const
{
    switch (m_error.kind) {
    case ErrorKind::Damaged:
        return QStringLiteral("Il registro %1 è %2: non viene modificato.")
            .arg(m_path, m_error.text);
    case ErrorKind::Busy:
        return QStringLiteral("Il registro %1 è %2: riprovare tra poco.").arg(m_path, m_error.text);
    default:
        return QStringLiteral("%1: %2").arg(m_path, m_error.text);
    }
}

QSqlDatabase Register::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

Register Register::open(const QString &path, Access access)
{
    Register r;
    r.m_path = path;
    schema::Check check = schema::check(path, access == Access::ReadOnly);
    r.m_version = check.version;
    r.m_connection = check.connection; // read-only, and checked
    r.m_claim = std::move(check.claim);
    if (check.why)
        r.fail(check.why);
    else if (access == Access::ReadWrite && check.version > SchemaVersion)
        r.fail({ErrorKind::Newer, QStringLiteral("registro di una versione più recente di dieci")});
    else if (access == Access::ReadWrite)
        r.openForWriting();
    return r;
}

void Register::glance(const QString &path, const std::function<void(const Register &)> &read)
{
    schema::glance(path, [&](schema::Check &check) {
        Register r;
        r.m_path = path;
        r.m_version = check.version;
        r.m_connection = std::exchange(check.connection, {});
        r.m_claim = std::move(check.claim);
        if (check.why)
            r.fail(check.why);
        read(r);
    });
}

bool Register::openForWriting()
{
    // The file stays claimed while the read-only connection gives way.
    FileClaim claim = std::move(m_claim);
    close();
    m_claim = std::move(claim);
    m_connection = schema::newConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    // Waits a little for another program's transaction; the drill's writer retries.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    if (!db.open() || !QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = ON"))) {
        Error why = errorOf(db.lastError());
        db = QSqlDatabase();
        fail(why ? why : Error{ErrorKind::Io, QStringLiteral("impossibile aprire il registro")});
        return false;
    }
    m_writable = true;
    // An older register becomes the current one on its first open for writing.
    if (m_version < SchemaVersion) {
        if (Error why = schema::upgrade(db, m_path, m_version); why) {
            db = QSqlDatabase();
            why.text = QStringLiteral("aggiornamento non riuscito: %1").arg(why.text);
            fail(why);
            return false;
        }
        m_version = SchemaVersion;
    } else {
        schema::removeLeftoverCopies(m_path);
    }
    return true;
}

Register Register::create(const QString &path)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        // Already on, or something else that must not be touched.
        Register r = open(path, Access::ReadWrite);
        if (r.isOpen())
            if (const QString why = r.setRecording(true); !why.isEmpty())
                r.fail({ErrorKind::Other, why});
        return r;
    }
    Register r;
    r.m_path = path;
    if (!QDir().mkpath(QFileInfo(path).path()))
        return std::move(r.fail({ErrorKind::Io, QStringLiteral("impossibile creare la cartella")}));
    r.m_connection = schema::newConnectionName();
    Error why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), r.m_connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        QSqlQuery query(db);
        // The first statement makes the file; it is SQLite's from then on.
        bool ok = db.open() &&
                  query.exec(perComputer(path) ? QStringLiteral("PRAGMA journal_mode = DELETE")
                                               : QStringLiteral("PRAGMA journal_mode = WAL"));
        r.m_claim = FileClaim(path, {});
        // Children's names: readable by this account only.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        // Another program may be making it at the same moment: one of them does.
        ok = ok && query.exec(QStringLiteral("BEGIN IMMEDIATE")) &&
             query.exec(QStringLiteral("PRAGMA user_version")) && query.next();
        QStringList statements;
        if (ok && query.value(0).toInt() == 0)
            statements << QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId)
                       << schema::tables()
                       << QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion);
        statements << QStringLiteral("COMMIT");
        for (const QString &statement : statements)
            ok = ok && query.exec(statement);
        if (!ok) {
            why = errorOf(db.isOpen() ? query.lastError() : db.lastError());
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        }
    }
    r.close();
    if (why) {
        r.fail(why);
        return r;
    }
    return open(path, Access::ReadWrite);
}

bool Register::recording() const
{
    QSqlQuery query(database());
    return !(query.exec(QStringLiteral("SELECT value FROM settings WHERE key = 'attivo'")) &&
             query.next() && query.value(0).toString() == QLatin1String("0"));
}

QString Register::setRecording(bool on)
{
    QSqlQuery query(database());
    if (!m_writable)
        return QStringLiteral("registro in sola lettura");
    if (query.exec(QStringLiteral("INSERT OR REPLACE INTO settings (key, value) "
                                  "VALUES ('attivo', '%1')")
                       .arg(on ? 1 : 0)))
        return {};
    return query.lastError().databaseText();
}

int Register::deleteChild(const QString &name)
{
    if (!m_writable) {
        m_error = {ErrorKind::ReadOnly, QStringLiteral("registro in sola lettura")};
        return -1;
    }
    QSqlDatabase db = database();
    QSqlQuery query(db);
    // Her answers go with her races (the key cascades).
    bool ok = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (ok)
        m_error = schema::fillChildKeys(db);
    ok = ok && !m_error && query.prepare(QStringLiteral("DELETE FROM races WHERE child = ?"));
    query.addBindValue(childOf(name));
    ok = ok && query.exec();
    const int deleted = query.numRowsAffected();
    if (ok && query.exec(QStringLiteral("COMMIT")))
        return deleted;
    if (!m_error)
        m_error = errorOf(query.lastError());
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    return -1;
}

void Register::close()
{
    if (m_connection.isEmpty()) {
        m_claim.release();
        return;
    }
    {
        QSqlDatabase db = database();
        // Fold the journal into the file: a copy of the file alone is whole.
        if (m_writable && db.isOpen())
            QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(std::exchange(m_connection, {}));
    m_claim.release();
    m_writable = false;
}

} // namespace registro
