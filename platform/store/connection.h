// Internal to platform/store: one open table file.
//
// A Connection is a SQLite connection on one table file plus the advisory flock that
// tells other handles, in this process or another, that the table is in use. Table and
// Query each own one while they are open. Values travel in the canonical form of
// their field type: QString, int, bool, QDateTime, QDate, or a null QVariant.
#pragma once

#include "platform/store/schema.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace kv::store_detail {

enum class LockMode { Shared, Exclusive };

// One record as read from the table: its rowid (insertion order) and its values in
// the order of TableDef::fields.
struct Record {
    qint64 rowid = 0;
    QVariantList values;
};

// "Name" quoted as an SQL identifier.
QString quoted(const QString& identifier);

// The statements that create the table and its indexes in an empty database.
QStringList createStatements(const TableDef& def);

// The SQLite index behind an index of the table (primary when indexName is empty);
// empty when the index is the table's own rowid order (no index, or the index of the
// auto-increment field, which is the rowid).
QString sqlIndexName(const TableDef& def, const QString& indexName);

// Turns a caller's value into the canonical value of the field. kv::Error when it does
// not fit the field's type, or (unless forLookup) is longer than a String's width.
// An empty text is stored as null.
QVariant toFieldValue(const TableDef& def, int field, const QVariant& value, bool forLookup);

// "Table Files.DAT is in use: ..." for a lock that another handle keeps out.
QString inUseMessage(const QString& tableFile);

// Advisory whole-file lock on a table file (flock). Descriptors are released through
// a per-file registry: one is closed only when no lock of this process on the same
// file is left, because closing any descriptor of a file drops every fcntl lock the
// process holds on it, SQLite's included.
class FileLock {
public:
    // kv::Error naming tableFile when another handle holds a conflicting lock.
    FileLock(const QString& path, const QString& tableFile, LockMode mode);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock exclusively; false (shared lock kept) when another handle has the
    // file. kv::Error when even the shared lock could not be taken back.
    bool tryExclusive();
    void backToShared();

private:
    void release();

    int fd_ = -1;
    quint64 device_ = 0;
    quint64 inode_ = 0;
    QString tableFile_;
};

class Connection {
public:
    // Opens the table file of def in folder (empty: the current directory).
    // kv::Error when the file is missing, locked, not a database or not this table.
    Connection(const TableDef& def, const QString& folder, LockMode mode);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const TableDef& def() const { return def_; }
    const QString& path() const { return path_; }

    // kv::Error "Table Files.DAT (path): message".
    [[noreturn]] void fail(const QString& message) const;

    // "rowid, "f1", "f2", ..." for SELECTs that read whole records.
    QString recordColumns() const;

    // The first row of a SELECT over recordColumns(), with the bindings given in
    // canonical form (the field of each binding named by bindingFields).
    std::optional<Record> selectRecord(const QString& sql, const QVariantList& bindings,
                                       const QList<int>& bindingFields);
    QList<qint64> selectRowids(const QString& sql, const QVariantList& bindings,
                               const QList<int>& bindingFields);
    qint64 selectCount(const QString& sql);

    std::optional<Record> read(qint64 rowid);

    // Checks required fields and the primary key's uniqueness, then inserts (no rowid)
    // or updates; returns the record's rowid. The auto-increment field is assigned by
    // an insert and kept by an update. kv::Error leaves the table unchanged.
    qint64 write(std::optional<qint64> rowid, const QVariantList& values);
    void remove(qint64 rowid);

    // Removes every record and restarts the auto-increment numbering. The caller holds
    // the exclusive lock.
    void removeAll();

    FileLock& lock() { return *lock_; }

private:
    sqlite3_stmt* statement(const QString& sql);
    void bind(sqlite3_stmt* stmt, int position, int field, const QVariant& value);
    QVariant column(sqlite3_stmt* stmt, int column, int field) const;
    bool step(sqlite3_stmt* stmt);
    void exec(const QString& sql);
    void checkStructure();

    const TableDef& def_;
    QString path_;
    std::optional<FileLock> lock_;
    sqlite3* db_ = nullptr;
    QHash<QString, sqlite3_stmt*> statements_;
};

}  // namespace kv::store_detail
