// One open table file: SQLite connection, flock, record reads and writes.
#include "platform/store/connection.h"

#include "platform/core/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv::store_detail {

namespace {

// SQLite waits this long for another process's write to finish before it reports busy.
constexpr int kBusyTimeoutMs = 5000;

bool isEmpty(const QVariant& value) { return !value.isValid() || value.isNull(); }

qsizetype codePointCount(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        ++count;
    }
    return count;
}

QString firstCodePoints(const QString& text, qsizetype count) {
    qsizetype i = 0;
    for (qsizetype taken = 0; i < text.size() && taken < count; ++i, ++taken)
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    return text.left(i);
}

bool isIntegerType(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

QString sqlType(FieldType type) {
    switch (type) {
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::Date:
        return QStringLiteral("TEXT");
    case FieldType::Integer:
    case FieldType::AutoIncrement:
    case FieldType::Boolean:
    case FieldType::DateTime:
        return QStringLiteral("INTEGER");
    }
    return QStringLiteral("TEXT");
}

// Table files open in one process, by device and inode, with the descriptors of
// released locks that must stay open until the last lock on the file is released.
struct LockedFile {
    int users = 0;
    std::vector<int> parked;
};

std::mutex& lockedFilesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::pair<quint64, quint64>, LockedFile>& lockedFiles() {
    static std::map<std::pair<quint64, quint64>, LockedFile> files;
    return files;
}

int flockNoWait(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Resets a statement after use so that no read stays open between calls.
struct StatementUse {
    sqlite3_stmt* stmt;
    ~StatementUse() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

}  // namespace

QString inUseMessage(const QString& tableFile) {
    return QStringLiteral("Table %1 is in use: another handle or program has it open")
        .arg(tableFile);
}

QString quoted(const QString& identifier) {
    QString text = identifier;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString sqlIndexName(const TableDef& def, const QString& indexName) {
    if (indexName.isEmpty()) {
        if (def.primaryKey.isEmpty()) return {};
        return def.name + QStringLiteral("$primary");
    }
    const IndexDef* index = def.secondaryIndex(indexName);
    if (!index) return {};
    const int autoInc = def.autoIncrementField();
    if (index->fields.size() == 1 && autoInc >= 0 &&
        def.fieldIndex(index->fields.first()) == autoInc)
        return {};
    return def.name + QLatin1Char('$') + index->name;
}

QStringList createStatements(const TableDef& def) {
    QStringList columns;
    for (const FieldDef& f : def.fields) {
        QString column = quoted(f.name) + QLatin1Char(' ') + sqlType(f.type);
        // The auto-increment field is the rowid: numbers are never reused, and the
        // insertion order that breaks index ties is the numbering order.
        if (f.type == FieldType::AutoIncrement) column += QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
        if (f.required) column += QStringLiteral(" NOT NULL");
        columns.append(column);
    }
    QStringList statements;
    statements.append(QStringLiteral("CREATE TABLE %1 (%2) STRICT")
                          .arg(quoted(def.name), columns.join(QStringLiteral(", "))));
    auto indexColumns = [](const QStringList& fields) {
        QStringList names;
        for (const QString& f : fields) names.append(quoted(f));
        return names.join(QStringLiteral(", "));
    };
    if (!def.primaryKey.isEmpty())
        statements.append(QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                              .arg(quoted(sqlIndexName(def, {})), quoted(def.name),
                                   indexColumns(def.primaryKey)));
    for (const IndexDef& index : def.secondaryIndexes) {
        const QString name = sqlIndexName(def, index.name);
        if (name.isEmpty()) continue;
        statements.append(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                              .arg(quoted(name), quoted(def.name), indexColumns(index.fields)));
    }
    return statements;
}

QVariant toFieldValue(const TableDef& def, int field, const QVariant& value, bool forLookup) {
    const FieldDef& f = def.fields[field];
    auto refuse = [&](const QString& why) {
        throw Error(QStringLiteral("Field %1 of table %2: %3").arg(f.name, def.fileName(), why));
    };
    // An empty text is an empty field, whatever the field's type.
    if (isEmpty(value) || (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
        return {};
    switch (f.type) {
    case FieldType::String:
    case FieldType::Memo: {
        if (!value.canConvert<QString>()) refuse(QStringLiteral("a text is expected"));
        const QString text = value.toString();
        if (text.isEmpty()) return {};
        if (f.type == FieldType::String && !forLookup && codePointCount(text) > f.width) {
            if (f.cutToWidth) return firstCodePoints(text, f.width);
            refuse(QStringLiteral("the value \"%1\" is longer than %2 characters")
                       .arg(text)
                       .arg(f.width));
        }
        return text;
    }
    case FieldType::Integer:
    case FieldType::AutoIncrement: {
        if (f.type == FieldType::AutoIncrement && !forLookup)
            refuse(QStringLiteral("the number is assigned by the table"));
        bool ok = false;
        qlonglong number = 0;
        if (isIntegerType(value)) {
            number = value.toLongLong(&ok);
        } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            const double d = value.toDouble();
            ok = std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < 9.2e18;
            number = static_cast<qlonglong>(d);
        } else if (value.typeId() == QMetaType::QString) {
            number = value.toString().trimmed().toLongLong(&ok);
        }
        if (!ok) refuse(QStringLiteral("\"%1\" is not a whole number").arg(value.toString()));
        if (forLookup) return number;
        if (number < INT_MIN || number > INT_MAX)
            refuse(QStringLiteral("%1 does not fit a 32-bit integer").arg(number));
        return static_cast<int>(number);
    }
    case FieldType::Boolean: {
        if (value.typeId() == QMetaType::Bool) return value.toBool();
        if (isIntegerType(value)) {
            const qlonglong n = value.toLongLong();
            if (n == 0 || n == 1) return n == 1;
        } else if (value.typeId() == QMetaType::QString) {
            const QString text = value.toString().trimmed();
            if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) return true;
            if (text.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0) return false;
        }
        refuse(QStringLiteral("\"%1\" is not true or false").arg(value.toString()));
        break;
    }
    case FieldType::DateTime:
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime t = value.toDateTime();
            return t.isValid() ? QVariant(t) : QVariant();
        }
        if (value.typeId() == QMetaType::QDate) {
            const QDate d = value.toDate();
            return d.isValid() ? QVariant(d.startOfDay()) : QVariant();
        }
        refuse(QStringLiteral("a date and time is expected"));
        break;
    case FieldType::Date:
        if (value.typeId() == QMetaType::QDate) {
            const QDate d = value.toDate();
            return d.isValid() ? QVariant(d) : QVariant();
        }
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime t = value.toDateTime();
            return t.isValid() ? QVariant(t.date()) : QVariant();
        }
        refuse(QStringLiteral("a date is expected"));
        break;
    }
    return {};
}

// ---- FileLock

FileLock::FileLock(const QString& path, const QString& tableFile, LockMode mode)
    : tableFile_(tableFile) {
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw Error(QStringLiteral("Cannot open table %1 (%2): %3")
                        .arg(tableFile, path, systemError(errno)));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int error = errno;
        ::close(fd_);
        throw Error(QStringLiteral("Cannot open table %1 (%2): %3")
                        .arg(tableFile, path, systemError(error)));
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
    {
        std::lock_guard guard(lockedFilesMutex());
        ++lockedFiles()[{device_, inode_}].users;
    }
    if (flockNoWait(fd_, mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) != 0) {
        const int error = errno;
        release();
        if (error == EWOULDBLOCK) throw Error(inUseMessage(tableFile));
        throw Error(QStringLiteral("Cannot lock table %1 (%2): %3")
                        .arg(tableFile, path, systemError(error)));
    }
}

FileLock::~FileLock() { release(); }

void FileLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    std::lock_guard guard(lockedFilesMutex());
    auto it = lockedFiles().find({device_, inode_});
    if (--it->second.users > 0) {
        it->second.parked.push_back(fd_);
    } else {
        ::close(fd_);
        for (int parked : it->second.parked) ::close(parked);
        lockedFiles().erase(it);
    }
    fd_ = -1;
}

bool FileLock::tryExclusive() {
    if (flockNoWait(fd_, LOCK_EX) == 0) return true;
    const int error = errno;
    // Linux drops the shared lock before it tries the exclusive one; take it back.
    if (flockNoWait(fd_, LOCK_SH) != 0)
        throw Error(QStringLiteral("Table %1 lost its lock to another program").arg(tableFile_));
    if (error != EWOULDBLOCK)
        throw Error(QStringLiteral("Cannot lock table %1: %2").arg(tableFile_, systemError(error)));
    return false;
}

void FileLock::backToShared() {
    if (flockNoWait(fd_, LOCK_SH) != 0)
        throw Error(QStringLiteral("Table %1 lost its lock to another program").arg(tableFile_));
}

// ---- Connection

Connection::Connection(const TableDef& def, const QString& folder, LockMode mode) : def_(def) {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    path_ = dir.absoluteFilePath(def.fileName());
    const QFileInfo info(path_);
    if (!info.exists())
        throw Error(QStringLiteral("Table %1 does not exist in folder %2")
                        .arg(def.fileName(), dir.absolutePath()));
    if (!info.isFile())
        throw Error(QStringLiteral("Table %1 (%2) is not a file").arg(def.fileName(), path_));
    lock_.emplace(path_, def.fileName(), mode);
    try {
        const QByteArray name = QFile::encodeName(path_);
        const int rc = sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK)
            fail(db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        checkStructure();
        // With the write-ahead log, NORMAL keeps the file sound on a crash without
        // a disk flush on every posted record.
        exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    } catch (...) {
        for (sqlite3_stmt* stmt : std::as_const(statements_)) sqlite3_finalize(stmt);
        statements_.clear();
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Connection::~Connection() {
    for (sqlite3_stmt* stmt : std::as_const(statements_)) sqlite3_finalize(stmt);
    sqlite3_close(db_);
    // lock_ is released after this body, once the SQLite connection is gone.
}

void Connection::fail(const QString& message) const {
    throw Error(QStringLiteral("Table %1 (%2): %3").arg(def_.fileName(), path_, message));
}

void Connection::checkStructure() {
    sqlite3_stmt* stmt = statement(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(def_.name)));
    StatementUse use{stmt};
    QStringList columns;
    while (step(stmt))
        columns.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))));
    if (columns.isEmpty()) fail(QStringLiteral("the file holds no table %1").arg(def_.name));
    for (const FieldDef& f : def_.fields)
        if (!columns.contains(f.name, Qt::CaseInsensitive))
            fail(QStringLiteral("the table has no field %1").arg(f.name));
}

sqlite3_stmt* Connection::statement(const QString& sql) {
    if (sqlite3_stmt* cached = statements_.value(sql)) return cached;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v3(db_, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                           &stmt, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(db_)));
    statements_.insert(sql, stmt);
    return stmt;
}

bool Connection::step(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(QString::fromUtf8(sqlite3_errmsg(db_)));
}

void Connection::exec(const QString& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
        sqlite3_free(message);
        fail(text);
    }
}

void Connection::bind(sqlite3_stmt* stmt, int position, int field, const QVariant& value) {
    int rc = SQLITE_OK;
    if (field < 0) {
        rc = sqlite3_bind_int64(stmt, position, value.toLongLong());
    } else if (isEmpty(value)) {
        rc = sqlite3_bind_null(stmt, position);
    } else {
        switch (def_.fields[field].type) {
        case FieldType::String:
        case FieldType::Memo: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, position, text.constData(), quint64(text.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        case FieldType::Integer:
        case FieldType::AutoIncrement:
            rc = sqlite3_bind_int64(stmt, position, value.toLongLong());
            break;
        case FieldType::Boolean:
            rc = sqlite3_bind_int(stmt, position, value.toBool() ? 1 : 0);
            break;
        case FieldType::DateTime:
            rc = sqlite3_bind_int64(stmt, position, value.toDateTime().toMSecsSinceEpoch());
            break;
        case FieldType::Date: {
            const QByteArray text = value.toDate().toString(Qt::ISODate).toUtf8();
            rc = sqlite3_bind_text64(stmt, position, text.constData(), quint64(text.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
    }
    if (rc != SQLITE_OK) fail(QString::fromUtf8(sqlite3_errmsg(db_)));
}

QVariant Connection::column(sqlite3_stmt* stmt, int col, int field) const {
    if (sqlite3_column_type(stmt, col) == SQLITE_NULL) return {};
    switch (def_.fields[field].type) {
    case FieldType::String:
    case FieldType::Memo:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                                 sqlite3_column_bytes(stmt, col));
    case FieldType::Integer:
    case FieldType::AutoIncrement:
        return static_cast<int>(sqlite3_column_int64(stmt, col));
    case FieldType::Boolean:
        return sqlite3_column_int(stmt, col) != 0;
    case FieldType::DateTime:
        return QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(stmt, col));
    case FieldType::Date:
        return QDate::fromString(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col))),
            Qt::ISODate);
    }
    return {};
}

QString Connection::recordColumns() const {
    QStringList columns{QStringLiteral("rowid")};
    for (const FieldDef& f : def_.fields) columns.append(quoted(f.name));
    return columns.join(QStringLiteral(", "));
}

std::optional<Record> Connection::selectRecord(const QString& sql, const QVariantList& bindings,
                                               const QList<int>& bindingFields) {
    sqlite3_stmt* stmt = statement(sql);
    StatementUse use{stmt};
    for (int i = 0; i < bindings.size(); ++i) bind(stmt, i + 1, bindingFields[i], bindings[i]);
    if (!step(stmt)) return std::nullopt;
    Record record;
    record.rowid = sqlite3_column_int64(stmt, 0);
    record.values.reserve(def_.fields.size());
    for (int f = 0; f < def_.fields.size(); ++f) record.values.append(column(stmt, f + 1, f));
    return record;
}

QList<qint64> Connection::selectRowids(const QString& sql, const QVariantList& bindings,
                                       const QList<int>& bindingFields) {
    sqlite3_stmt* stmt = statement(sql);
    StatementUse use{stmt};
    for (int i = 0; i < bindings.size(); ++i) bind(stmt, i + 1, bindingFields[i], bindings[i]);
    QList<qint64> rowids;
    while (step(stmt)) rowids.append(sqlite3_column_int64(stmt, 0));
    return rowids;
}

qint64 Connection::selectCount(const QString& sql) {
    sqlite3_stmt* stmt = statement(sql);
    StatementUse use{stmt};
    return step(stmt) ? sqlite3_column_int64(stmt, 0) : 0;
}

std::optional<Record> Connection::read(qint64 rowid) {
    return selectRecord(
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(recordColumns(), quoted(def_.name)),
        {rowid}, {-1});
}

qint64 Connection::write(std::optional<qint64> rowid, const QVariantList& values) {
    for (int f = 0; f < def_.fields.size(); ++f)
        if (def_.fields[f].required && isEmpty(values[f]))
            throw Error(QStringLiteral("Field %1 of table %2 must have a value")
                            .arg(def_.fields[f].name, def_.fileName()));

    if (!def_.primaryKey.isEmpty()) {
        // IS compares empty keys as equal, as the unique index of the table means it.
        QStringList conditions;
        QVariantList bindings;
        QList<int> fields;
        QStringList shown;
        for (const QString& name : def_.primaryKey) {
            const int f = def_.fieldIndex(name);
            conditions.append(quoted(name) + QStringLiteral(" IS ?"));
            bindings.append(values[f]);
            fields.append(f);
            shown.append(name + QStringLiteral(" = ") +
                         (isEmpty(values[f]) ? QStringLiteral("(empty)") : values[f].toString()));
        }
        if (rowid) {
            conditions.append(QStringLiteral("rowid <> ?"));
            bindings.append(*rowid);
            fields.append(-1);
        }
        const QString sql = QStringLiteral("SELECT rowid FROM %1 WHERE %2 LIMIT 1")
                                .arg(quoted(def_.name), conditions.join(QStringLiteral(" AND ")));
        if (!selectRowids(sql, bindings, fields).isEmpty())
            throw Error(QStringLiteral("Duplicate key in table %1: %2")
                            .arg(def_.fileName(), shown.join(QStringLiteral(", "))));
    }

    QStringList columns;
    QList<int> fields;
    for (int f = 0; f < def_.fields.size(); ++f) {
        if (def_.fields[f].type == FieldType::AutoIncrement) continue;
        columns.append(quoted(def_.fields[f].name));
        fields.append(f);
    }
    QString sql;
    if (rowid) {
        QStringList assignments;
        for (const QString& c : columns) assignments.append(c + QStringLiteral(" = ?"));
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                  .arg(quoted(def_.name), assignments.join(QStringLiteral(", ")));
    } else {
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoted(def_.name), columns.join(QStringLiteral(", ")),
                       QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    }
    sqlite3_stmt* stmt = statement(sql);
    StatementUse use{stmt};
    for (int i = 0; i < fields.size(); ++i) bind(stmt, i + 1, fields[i], values[fields[i]]);
    if (rowid) bind(stmt, int(fields.size()) + 1, -1, *rowid);
    step(stmt);
    return rowid ? *rowid : sqlite3_last_insert_rowid(db_);
}

void Connection::remove(qint64 rowid) {
    sqlite3_stmt* stmt =
        statement(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(def_.name)));
    StatementUse use{stmt};
    bind(stmt, 1, -1, rowid);
    step(stmt);
}

void Connection::removeAll() {
    exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        exec(QStringLiteral("DELETE FROM %1").arg(quoted(def_.name)));
        if (def_.autoIncrementField() >= 0)
            exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = '%1'").arg(def_.name));
        exec(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace kv::store_detail
