// SPDX-License-Identifier: GPL-3.0-or-later
#include "schema.h"

#include "register.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>
#include <QtEndian>

#include <atomic>
#include <utility>

namespace registro::schema {

namespace {
// Per child, by the folded name: race length (0: no clock), practice, her aids,
// and when set (on a shared home the newest in any computer's file wins).
const char *const AdaptationsTable =
    "CREATE TABLE IF NOT EXISTS adaptations (child TEXT PRIMARY KEY NOT NULL, "
    "minutes INTEGER NOT NULL DEFAULT 5, practice INTEGER NOT NULL DEFAULT 0, changed TEXT, "
    "voice INTEGER NOT NULL DEFAULT 0, contrast INTEGER NOT NULL DEFAULT 0)";

// What the school's server has not confirmed yet, found without a scan. The
// answers' index costs a register with no server a copy of every answer, so
// only the sender makes it.
const char *const RacesUnsent = "CREATE INDEX races_unsent ON races(id) WHERE sent < 2";
const char *const AnswersUnsent =
    "CREATE INDEX IF NOT EXISTS answers_unsent ON answers(race, seq) WHERE sent = 0";

// Each race's counts, kept by SQLite itself whoever writes the answers: the
// class is shown without reading a year of answers to add them up.
const char *const AnswersCounted =
    "CREATE TRIGGER answers_counted AFTER INSERT ON answers BEGIN UPDATE races SET answered = "
    "answered + 1, right_answers = right_answers + (NEW.right <> 0) WHERE id = NEW.race; END";
const char *const AnswersUncounted =
    "CREATE TRIGGER answers_uncounted AFTER DELETE ON answers BEGIN UPDATE races SET answered = "
    "answered - 1, right_answers = right_answers - (OLD.right <> 0) WHERE id = OLD.race; END";

// Names mended: a folded spelling and the child it stands for; her name.
const char *const AliasesTable =
    "CREATE TABLE IF NOT EXISTS aliases (typed TEXT PRIMARY KEY NOT NULL, child TEXT NOT NULL)";
const char *const NamesTable =
    "CREATE TABLE IF NOT EXISTS names (child TEXT PRIMARY KEY NOT NULL, shown TEXT NOT NULL)";

const char *const Tables[] = {
    "CREATE TABLE races (id TEXT PRIMARY KEY NOT NULL, started TEXT NOT NULL, "
    "name TEXT NOT NULL, ending TEXT, record_beaten INTEGER NOT NULL DEFAULT 0, adaptation TEXT, "
    "class TEXT, sent INTEGER NOT NULL DEFAULT 0, child TEXT, answered INTEGER NOT NULL DEFAULT "
    "0, right_answers INTEGER NOT NULL DEFAULT 0, secret TEXT)",
    // A child's races without reading every race: the name folded as childKey.
    "CREATE INDEX races_by_child ON races(child, started)",
    nullptr, // the answers: answersTable()
    "CREATE INDEX answers_by_time ON answers(at)",
    "CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY, value TEXT)",
    AdaptationsTable,
    RacesUnsent,
    AnswersCounted,
    AnswersUncounted,
    AliasesTable,
    NamesTable,
};

const Error NotARegister{ErrorKind::NotARegister, QStringLiteral("non è un registro di dieci")};

Error damagedBecause(const QString &what)
{
    return {ErrorKind::Damaged, QStringLiteral("danneggiato (%1)").arg(what)};
}

// What the first 100 bytes say, read as plain bytes: SQLite never sees a file
// that fails here, so it can neither recover nor fold a journal into it. Only
// ever run while no connection of this process holds the file (FileClaim).
Error checkHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {file.error() == QFileDevice::PermissionsError ? ErrorKind::ReadOnly : ErrorKind::Io,
                file.errorString()};
    const QByteArray h = file.read(100);
    if (h.size() < 100 || !h.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return NotARegister;
    const auto u32 = [&h](int at) { return qFromBigEndian<quint32>(h.constData() + at); };
    if (u32(68) != quint32(ApplicationId))
        return NotARegister;
    quint32 pageSize = qFromBigEndian<quint16>(h.constData() + 16);
    pageSize = pageSize == 1 ? 65536 : pageSize;
    if (pageSize < 512 || (pageSize & (pageSize - 1)))
        return damagedBecause(QStringLiteral("intestazione non valida"));
    // The page count is valid when it was written with the change counter.
    if (u32(92) == u32(24) && qint64(u32(28)) * pageSize > file.size())
        return damagedBecause(QStringLiteral("file troncato"));
    return {};
}

// A reading that fails is the file's own answer, except when another program
// holds it or the disk fails; an unknown failure is not trusted with a write.
Error readingFailed(const QSqlError &error)
{
    Error e = errorOf(error);
    if (e.kind == ErrorKind::Other)
        e.kind = ErrorKind::Damaged;
    if (e.kind == ErrorKind::NotARegister)
        e = NotARegister;
    return e;
}

// Read-only connections, in the order tried: one that leaves an existing -shm
// as it is; one that makes the -shm (an index SQLite rebuilds, never data);
// on a read-only medium without a journal, one that trusts the file alone.
const QList<const char *> ReadOnlyWays = {"?readonly_shm=1", "", "?immutable=1"};
// A file already checked is kept open the ordinary way where the medium allows.
const QList<const char *> KeptWays = {"", "?readonly_shm=1", "?immutable=1"};

QString openReadOnly(const QString &path, const char *way)
{
    const QString name = newConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QLatin1String(way));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;"
                                        "QSQLITE_BUSY_TIMEOUT=2000"));
    db.open();
    return name;
}

QString firstValue(QSqlDatabase &db, const QString &sql, Error *why)
{
    QSqlQuery query(db);
    if (query.exec(sql) && query.next())
        return query.value(0).toString();
    if (!*why)
        *why = readingFailed(query.lastError());
    return {};
}

Check checkContents(QSqlDatabase &db, bool fully)
{
    Check c;
    const QString quick =
        fully ? firstValue(db, QStringLiteral("PRAGMA quick_check"), &c.why) : QStringLiteral("ok");
    if (!c.why && quick != QLatin1String("ok")) {
        // The first finding is enough, on one line: "Page 7: btreeInitPage() ...".
        QStringList findings = quick.split(u'\n', Qt::SkipEmptyParts);
        findings.removeIf([](const QString &line) { return line.startsWith(u'*'); });
        c.why = damagedBecause(findings.value(0, quick.simplified()));
    }
    const qint64 id = firstValue(db, QStringLiteral("PRAGMA application_id"), &c.why).toLongLong();
    c.version = firstValue(db, QStringLiteral("PRAGMA user_version"), &c.why).toInt();
    if (!c.why && (id != ApplicationId || c.version < 1))
        c.why = NotARegister;
    QStringList tables = {"races", "answers", "settings"};
    if (c.version >= 2)
        tables << "adaptations";
    for (const QString &table : tables) {
        const QString sql =
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                .arg(table);
        if (!c.why && firstValue(db, sql, &c.why).isEmpty() && !c.why)
            c.why = damagedBecause(QStringLiteral("manca la tabella %1").arg(table));
    }
    return c;
}
// The first way of opening that this medium allows, checked: fully, or only
// what it is (version, kind) when the file was checked a moment ago.
Check connectChecked(const QString &path, const QList<const char *> &ways, bool journal, bool fully)
{
    Check c;
    for (const char *way : ways) {
        if (journal && QLatin1String(way) == QLatin1String("?immutable=1"))
            break;
        const QString name = openReadOnly(path, way);
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            c = db.isOpen() ? checkContents(db, fully)
                            : Check{readingFailed(db.lastError()), 0, {}, {}};
        }
        if (!c.why) {
            c.connection = name;
            return c;
        }
        QSqlDatabase::removeDatabase(name);
        // Only a way of opening that this medium refuses is worth another try;
        // anything else is the file's own answer.
        if (c.why.kind != ErrorKind::Io && c.why.kind != ErrorKind::ReadOnly)
            break;
    }
    return c;
}
} // namespace

QString newConnectionName()
{
    static std::atomic<int> counter;
    return QStringLiteral("registro-%1").arg(++counter);
}

Check check(const QString &path, bool keep)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {{ErrorKind::Missing, QStringLiteral("il registro non esiste")}, 0, {}, {}};
    // A FIFO would block the open; a device or a folder is nobody's register.
    if (!info.isFile())
        return {{ErrorKind::NotARegister, QStringLiteral("non è un file normale")}, 0, {}, {}};
    const bool journal = QFileInfo::exists(path + QStringLiteral("-wal"));
    // The first connection of the process looks at the file without writing a
    // byte, its -shm included, and is closed again: SQLite shares one -shm
    // mapping per file and process, and one opened read-only would turn every
    // later writer of the process away.
    Check c;
    bool looked = false;
    FileClaim claim(path, [&] {
        looked = true;
        c.why = checkHeader(path);
        if (!c.why)
            c = connectChecked(path, ReadOnlyWays, journal, true);
        if (!c.connection.isEmpty())
            QSqlDatabase::removeDatabase(std::exchange(c.connection, {}));
    });
    if (c.why)
        return c;
    // A writer opens its own connection: nothing more to read, nor to make.
    if (looked && !keep) {
        c.claim = std::move(claim);
        return c;
    }
    // The connection kept shares its -shm with the process's writers. The
    // file was checked whole by the first look, now or when the process
    // first claimed it: reading it all again at every open would cost a
    // large register a quarter of a second each time.
    c = connectChecked(path, KeptWays, journal, false);
    if (!c.why)
        c.claim = std::move(claim);
    return c;
}

void glance(const QString &path, const std::function<void(Check &)> &read)
{
    bool done = false;
    FileClaim claim(path, [&] {
        if (!QFileInfo(path).isFile() || checkHeader(path))
            return;
        // As the first look opens it, but without reading the file whole.
        Check c = connectChecked(path, ReadOnlyWays,
                                 QFileInfo::exists(path + QLatin1String("-wal")), false);
        if (c.why)
            return;
        done = true;
        read(c);
        if (!c.connection.isEmpty())
            QSqlDatabase::removeDatabase(c.connection);
    });
    claim.release();
    if (done)
        return;
    Check c = check(path);
    read(c);
}

QStringList tables()
{
    QStringList list;
    for (const char *table : Tables)
        list << (table ? QLatin1String(table) : answersTable(QStringLiteral("answers")));
    return list;
}

QStringList mendedNames()
{
    return {QLatin1String(AliasesTable), QLatin1String(NamesTable)};
}

QStringList countTriggers()
{
    return {QLatin1String(AnswersCounted), QLatin1String(AnswersUncounted)};
}

QString answersTable(const QString &name)
{
    // Kept in the order of each race's answers, with no second copy of the
    // key: a race's answers are next to each other on disk.
    return QStringLiteral("CREATE TABLE %1 (race TEXT NOT NULL REFERENCES races(id) ON DELETE "
                          "CASCADE, seq INTEGER NOT NULL, at TEXT NOT NULL, number INTEGER NOT "
                          "NULL, typed TEXT NOT NULL, right INTEGER NOT NULL, ms INTEGER NOT NULL, "
                          "sent INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (race, seq)) WITHOUT ROWID")
        .arg(name);
}

Error ensureSendingIndex(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (query.exec(QLatin1String(AnswersUnsent)))
        return {};
    return errorOf(query.lastError());
}

} // namespace registro::schema
