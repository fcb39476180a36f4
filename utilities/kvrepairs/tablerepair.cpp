// Integrity check, rebuild and compaction of one table file (see tablerepair.h).
//
// Layout of the work folder (".KVRepairs-XXXXXX" in the base folder, removed at the end):
//   copy/   the table file and its log files as they were, the copy that is inspected
//           and, when sound, re-indexed and compacted
//   fresh/  empty tables made by the installation step: the reference for columns and
//           indexes, and the table a damaged one is rebuilt into
//   aside/  the original's log files once the repaired copy takes its place
#include "utilities/kvrepairs/tablerepair.h"

#include "platform/core/error.h"
#include "platform/store/connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>

#include <fcntl.h>
#include <unistd.h>

namespace kv {
namespace {

using store_detail::FileLock;
using store_detail::LockMode;
using store_detail::quoted;

// The logs SQLite keeps beside a database file; after a crash they hold committed
// changes that the file itself does not have yet.
const QStringList kLogSuffixes = {QStringLiteral("-wal"), QStringLiteral("-journal")};

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A failed SQLite call, with its extended result code.
class SqlError : public Error {
public:
    SqlError(int code, const QString& message) : Error(message), code_(code) {}
    int primary() const { return code_ & 0xff; }
    // The file's contents are at fault (a damaged or missing page), not the machine.
    bool damage() const {
        return primary() == SQLITE_CORRUPT || primary() == SQLITE_NOTADB ||
               code_ == SQLITE_IOERR_SHORT_READ;
    }

private:
    int code_;
};

class Db {
public:
    explicit Db(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        const int rc = sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const QString message =
                QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
            sqlite3_close(db_);
            throw SqlError(rc, message);
        }
        sqlite3_extended_result_codes(db_, 1);
    }
    ~Db() { sqlite3_close(db_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    sqlite3* get() const { return db_; }
    [[noreturn]] void fail(int rc) const {
        throw SqlError(rc, QString::fromUtf8(sqlite3_errmsg(db_)));
    }
    void exec(const QString& sql) {
        const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) fail(rc);
    }

private:
    sqlite3* db_ = nullptr;
};

class Stmt {
public:
    Stmt(Db& db, const QString& sql) : db_(db) {
        const QByteArray text = sql.toUtf8();
        const int rc =
            sqlite3_prepare_v2(db.get(), text.constData(), int(text.size()), &stmt_, nullptr);
        if (rc != SQLITE_OK) db.fail(rc);
    }
    ~Stmt() { sqlite3_finalize(stmt_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    // True for a row, false at the end; SqlError otherwise.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        db_.fail(rc);
    }
    void bind(int position, qint64 value) { sqlite3_bind_int64(stmt_, position, value); }
    void bind(int position, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text64(stmt_, position, utf8.constData(), quint64(utf8.size()),
                            SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    qint64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                 sqlite3_column_bytes(stmt_, column));
    }

private:
    Db& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// The columns and indexes a file declares for a table; names in lower case, as
// SQLite compares them.
struct IndexShape {
    bool unique = false;
    QStringList columns;
    bool operator==(const IndexShape&) const = default;
};

struct Structure {
    QStringList columns;
    QMap<QString, IndexShape> indexes;
};

Structure readStructure(Db& db, const QString& table) {
    Structure s;
    {
        Stmt info(db, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)));
        while (info.step()) s.columns.append(info.text(1).toLower());
    }
    QList<QPair<QString, bool>> names;
    {
        Stmt list(db, QStringLiteral("PRAGMA index_list(%1)").arg(quoted(table)));
        while (list.step()) names.append({list.text(1).toLower(), list.integer(2) != 0});
    }
    for (const auto& [name, unique] : names) {
        IndexShape shape;
        shape.unique = unique;
        Stmt info(db, QStringLiteral("PRAGMA index_info(%1)").arg(quoted(name)));
        while (info.step()) shape.columns.append(info.text(2).toLower());
        s.indexes.insert(name, shape);
    }
    return s;
}

// The file must hold the table with every field of the schema, as the store demands.
void requireTable(const Structure& found, const TableDef& def) {
    if (found.columns.isEmpty())
        throw Error(QStringLiteral("the file holds no table %1").arg(def.name));
    for (const FieldDef& f : def.fields)
        if (!found.columns.contains(f.name.toLower()))
            throw Error(QStringLiteral("the file is not a table of Korvane: it has no field %1")
                            .arg(f.name));
}

bool hasIndexes(const Structure& found, const Structure& reference) {
    for (auto it = reference.indexes.cbegin(); it != reference.indexes.cend(); ++it)
        if (!found.indexes.contains(it.key()) || found.indexes.value(it.key()) != it.value())
            return false;
    return true;
}

QStringList integrityProblems(Db& db) {
    Stmt check(db, QStringLiteral("PRAGMA integrity_check"));
    QStringList problems;
    while (check.step()) {
        const QString line = check.text(0);
        if (line != QLatin1String("ok")) problems.append(line);
    }
    return problems;
}

// A first look at the copy: refuses what is no table of this schema, and tells
// whether the table is sound.
bool isSound(const QString& path, const TableDef& def, const Structure& reference) {
    try {
        Db db(path);
        const Structure found = readStructure(db, def.name);
        requireTable(found, def);
        return integrityProblems(db).isEmpty() && hasIndexes(found, reference);
    } catch (const SqlError& e) {
        if (e.primary() == SQLITE_NOTADB)
            throw Error(QStringLiteral("the file is not a table (%1)").arg(e.message()));
        if (!e.damage()) throw;
        return false;
    }
}

void reindexAndCompact(const QString& path) {
    Db db(path);
    db.exec(QStringLiteral("REINDEX"));
    db.exec(QStringLiteral("VACUUM"));
}

struct Salvage {
    qint64 records = 0;
    bool complete = true;
};

// Copies every record that can still be read from the damaged table at sourcePath
// into the empty table at targetPath, each under its own rowid.
Salvage salvage(const QString& sourcePath, const QString& targetPath, const TableDef& def) {
    Db source(sourcePath);
    // A truncated file's header still counts the pages it lost, and SQLite then refuses
    // the whole file; with this setting it reads the pages that are there. Nothing is
    // ever written to the source.
    source.exec(QStringLiteral("PRAGMA writable_schema=ON"));
    Structure found;
    try {
        found = readStructure(source, def.name);
    } catch (const SqlError& e) {
        if (!e.damage()) throw;
        throw Error(QStringLiteral("its description of the table cannot be read (%1)")
                        .arg(e.message()));
    }
    requireTable(found, def);

    // The auto-increment field is the rowid itself, which is copied as such.
    QStringList columns;
    for (const FieldDef& f : def.fields)
        if (f.type != FieldType::AutoIncrement) columns.append(quoted(f.name));
    const QString columnList = columns.join(QStringLiteral(", "));
    const QString table = quoted(def.name);
    const QString select =
        QStringLiteral("SELECT rowid, %1 FROM %2 NOT INDEXED").arg(columnList, table);

    Db target(targetPath);
    target.exec(QStringLiteral("BEGIN"));
    Stmt insert(target, QStringLiteral("INSERT INTO %1 (rowid, %2) VALUES (?%3)")
                            .arg(table, columnList, QStringLiteral(", ?").repeated(columns.size())));

    Salvage result;
    std::set<qint64> seen;  // rowids read, copied or not
    auto copy = [&](const Stmt& row) {
        sqlite3_bind_int64(insert.get(), 1, row.integer(0));
        for (int i = 1; i <= columns.size(); ++i)
            sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(row.get(), i));
        const int rc = sqlite3_step(insert.get());
        if (rc != SQLITE_DONE && (rc & 0xff) != SQLITE_CONSTRAINT)
            throw Error(QStringLiteral("the repaired copy cannot be written (%1)")
                            .arg(QString::fromUtf8(sqlite3_errmsg(target.get()))));
        sqlite3_reset(insert.get());
        // A damaged record that breaks the table's rules (an empty required field, a
        // duplicate key, a value of the wrong kind) stays behind.
        if (rc == SQLITE_DONE)
            ++result.records;
        else
            result.complete = false;
    };
    // Reads records until the end, a record already seen, or the first page that cannot
    // be read; false in the last case.
    auto read = [&](const QString& sql, std::optional<qint64> from) {
        Stmt rows(source, sql);
        if (from) rows.bind(1, *from);
        try {
            while (rows.step()) {
                if (!seen.insert(rows.integer(0)).second) return true;
                copy(rows);
            }
            return true;
        } catch (const SqlError& e) {
            if (!e.damage()) throw;
            return false;
        }
    };

    if (!read(select + QStringLiteral(" ORDER BY rowid"), std::nullopt)) {
        result.complete = false;
        read(select + QStringLiteral(" ORDER BY rowid DESC"), std::nullopt);

        // Rowids the indexes list, as far as each index can be read in either direction.
        std::set<qint64> listed;
        for (auto it = found.indexes.cbegin(); it != found.indexes.cend(); ++it) {
            if (it->columns.isEmpty()) continue;
            QStringList ascending, descending;
            for (const QString& c : it->columns) {
                ascending.append(quoted(c));
                descending.append(quoted(c) + QStringLiteral(" DESC"));
            }
            for (const QStringList& order : {ascending, descending}) {
                Stmt ids(source, QStringLiteral("SELECT rowid FROM %1 INDEXED BY %2 ORDER BY %3")
                                     .arg(table, quoted(it.key()), order.join(QStringLiteral(", "))));
                try {
                    while (ids.step()) listed.insert(ids.integer(0));
                } catch (const SqlError& e) {
                    // What was read before the unreadable page is used.
                    if (!e.damage()) throw;
                }
            }
        }
        for (const qint64 rowid : listed) {
            if (seen.count(rowid)) continue;
            read(select + QStringLiteral(" WHERE rowid >= ?1 ORDER BY rowid"), rowid);
            read(select + QStringLiteral(" WHERE rowid < ?1 ORDER BY rowid DESC"), rowid);
        }
    }

    // Numbers are never given twice: the counter goes on from the higher of the
    // damaged table's counter and the highest number read.
    if (def.autoIncrementField() >= 0) {
        qint64 counter = seen.empty() ? 0 : *seen.rbegin();
        try {
            Stmt recorded(source, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"));
            recorded.bind(1, def.name);
            if (recorded.step()) counter = std::max(counter, recorded.integer(0));
        } catch (const SqlError& e) {
            // An unreadable or missing counter leaves the highest number read.
            if (!e.damage() && e.primary() != SQLITE_ERROR) throw;
        }
        if (counter > 0) {
            Stmt add(target, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT ?1, ?2 "
                                            "WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence "
                                            "WHERE name = ?1)"));
            add.bind(1, def.name);
            add.bind(2, counter);
            add.step();
            Stmt raise(target, QStringLiteral("UPDATE sqlite_sequence SET seq = ?2 "
                                              "WHERE name = ?1 AND seq < ?2"));
            raise.bind(1, def.name);
            raise.bind(2, counter);
            raise.step();
        }
    }
    target.exec(QStringLiteral("COMMIT"));
    return result;
}

// The repaired copy must pass the integrity check, in a connection of its own, and
// hold the schema's columns and indexes. Returns its number of records.
qint64 verify(const QString& path, const TableDef& def, const Structure& reference) {
    qint64 records = 0;
    {
        Db db(path);
        const QStringList problems = integrityProblems(db);
        if (!problems.isEmpty())
            throw Error(QStringLiteral("the repaired copy fails the integrity check (%1)")
                            .arg(problems.first()));
        const Structure found = readStructure(db, def.name);
        requireTable(found, def);
        if (!hasIndexes(found, reference))
            throw Error(QStringLiteral("the repaired copy lacks an index of the table"));
        Stmt count(db, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(def.name)));
        count.step();
        records = count.integer(0);
    }
    // Closing the last connection folds the log into the file; a log left over would
    // be lost when the file moves.
    for (const QString& suffix : kLogSuffixes)
        if (QFileInfo::exists(path + suffix))
            throw Error(QStringLiteral("the repaired copy could not be completed (%1 remains)")
                            .arg(QFileInfo(path + suffix).fileName()));
    return records;
}

void copyFile(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.copy(to))
        throw Error(QStringLiteral("cannot copy %1 to %2 (%3)").arg(from, to, source.errorString()));
}

void syncToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        throw Error(QStringLiteral("cannot write %1 to the disk (%2)").arg(path, systemError(error)));
    }
    ::close(fd);
}

void renameFile(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Error(QStringLiteral("cannot move %1 to %2 (%3)").arg(from, to, systemError(errno)));
}

// Keeps the damaged file, with its log, beside the table: "Files.DAT.damaged", or
// "Files.DAT.damaged-2" and so on when an earlier repair left one.
QString keepDamaged(const QString& original) {
    QString name;
    auto taken = [](const QString& candidate) {
        if (QFileInfo::exists(candidate)) return true;
        for (const QString& suffix : kLogSuffixes)
            if (QFileInfo::exists(candidate + suffix)) return true;
        return false;
    };
    for (int n = 1; name.isEmpty() || taken(name); ++n)
        name = original + (n == 1 ? QStringLiteral(".damaged") : QStringLiteral(".damaged-%1").arg(n));
    copyFile(original, name);
    for (const QString& suffix : kLogSuffixes)
        if (QFileInfo::exists(original + suffix)) copyFile(original + suffix, name + suffix);
    return name;
}

// Puts the repaired copy in the table file's place. The original's logs move aside
// first, so that no log of the old file is ever applied to the new one; should the
// last move fail, they come back.
void replace(const QString& original, const QString& repaired, const QString& asideFolder) {
    if (!QFile::setPermissions(repaired, QFile::permissions(original)))
        throw Error(QStringLiteral("cannot give %1 the table's permissions").arg(repaired));
    syncToDisk(repaired);
    QStringList moved;
    auto moveBack = [&] {
        for (const QString& suffix : moved)
            std::rename(QFile::encodeName(asideFolder + QLatin1Char('/') + suffix).constData(),
                        QFile::encodeName(original + suffix).constData());
    };
    try {
        for (const QString& suffix : kLogSuffixes) {
            if (!QFileInfo::exists(original + suffix)) continue;
            renameFile(original + suffix, asideFolder + QLatin1Char('/') + suffix);
            moved.append(suffix);
        }
        renameFile(repaired, original);
    } catch (...) {
        moveBack();
        throw;
    }
    // The shared-memory index of the old log; SQLite would rebuild it, but it belongs
    // to a file that is gone.
    QFile::remove(original + QStringLiteral("-shm"));
    syncToDisk(QFileInfo(original).absolutePath());
}

TableRepair repairLocked(const TableDef& def, const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    QTemporaryDir work(QDir(folder).filePath(QStringLiteral(".KVRepairs-XXXXXX")));
    if (!work.isValid())
        throw Error(QStringLiteral("cannot create a work folder in %1 (%2)")
                        .arg(folder, work.errorString()));
    const QDir dir(work.path());
    for (const char* sub : {"copy", "fresh", "aside"})
        if (!dir.mkdir(QLatin1String(sub)))
            throw Error(QStringLiteral("cannot create a work folder in %1").arg(work.path()));

    const QString copy = dir.filePath(QStringLiteral("copy/") + def.fileName());
    copyFile(path, copy);
    for (const QString& suffix : kLogSuffixes)
        if (QFileInfo::exists(path + suffix)) copyFile(path + suffix, copy + suffix);

    createTables(dir.filePath(QStringLiteral("fresh")));
    const QString fresh = dir.filePath(QStringLiteral("fresh/") + def.fileName());
    Structure reference;
    {
        Db db(fresh);
        reference = readStructure(db, def.name);
    }

    TableRepair result;
    result.tableFile = def.fileName();
    bool sound = isSound(copy, def, reference);
    if (sound) {
        try {
            reindexAndCompact(copy);
        } catch (const SqlError& e) {
            // Damage the integrity check did not see; the rebuild reads around it.
            if (!e.damage()) throw;
            sound = false;
        }
    }
    QString repaired = copy;
    if (!sound) {
        result.rebuilt = true;
        result.complete = salvage(copy, fresh, def).complete;
        repaired = fresh;
    }
    result.records = verify(repaired, def, reference);

    if (!result.complete) result.damagedCopy = keepDamaged(path);
    try {
        replace(path, repaired, dir.filePath(QStringLiteral("aside")));
    } catch (...) {
        if (!result.damagedCopy.isEmpty()) {
            QFile::remove(result.damagedCopy);
            for (const QString& suffix : kLogSuffixes) QFile::remove(result.damagedCopy + suffix);
        }
        throw;
    }
    return result;
}

}  // namespace

std::optional<TableRepair> repairTable(const TableDef& def, const QString& hostFolder) {
    const QString path = QDir(hostFolder.isEmpty() ? QDir::currentPath() : hostFolder)
                             .absoluteFilePath(def.fileName());
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    if (!info.isFile())
        throw Error(QStringLiteral("Table %1 (%2) is not a file").arg(def.fileName(), path));
    // Held until the repaired table is in place: no handle of any program can open the
    // table meanwhile, and none has it open now.
    const FileLock lock(path, def.fileName(), LockMode::Exclusive);
    try {
        return repairLocked(def, path);
    } catch (const Error& e) {
        throw Error(QStringLiteral("Table %1 could not be repaired: %2")
                        .arg(def.fileName(), e.message()));
    }
}

}  // namespace kv
