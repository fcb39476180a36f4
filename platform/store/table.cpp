// Table and Query handles over the table files.
//
// A Table walks its table with a keyset cursor: the current record's index values and
// rowid are the position, and next() asks SQLite for the first record in view after
// it, through the index. Every move is an index seek, so a walk costs O(n log n)
// whatever other handles post meanwhile, and nothing is cached but the current record.
#include "platform/store/table.h"

#include "platform/core/error.h"
#include "platform/store/connection.h"

#include <QRegularExpression>

namespace kv {

using store_detail::Connection;
using store_detail::LockMode;
using store_detail::quoted;
using store_detail::Record;

namespace {

std::unique_ptr<Record> boxed(std::optional<Record> record) {
    return record ? std::make_unique<Record>(std::move(*record)) : nullptr;
}

}  // namespace

// ---- Table

Table::Table(const QString& tableName) : def_(&tableDefinition(tableName)) {}

Table::~Table() = default;

void Table::requireOpen(const char* operation) const {
    if (!conn_)
        throw Error(QStringLiteral("Table %1 is not open (%2)")
                        .arg(def_->fileName(), QLatin1String(operation)));
}

void Table::requireBrowse(const char* operation) const {
    requireOpen(operation);
    if (state_ != State::Browse)
        throw Error(QStringLiteral("Table %1: post or cancel the pending change before %2")
                        .arg(def_->fileName(), QLatin1String(operation)));
}

void Table::requireClosed(const char* operation) const {
    if (conn_)
        throw Error(QStringLiteral("Table %1: close the table before %2")
                        .arg(def_->fileName(), QLatin1String(operation)));
}

int Table::fieldOf(const QString& fieldName) const {
    const int f = def_->fieldIndex(fieldName);
    if (f < 0)
        throw Error(QStringLiteral("Table %1 has no field %2").arg(def_->fileName(), fieldName));
    return f;
}

void Table::setDatabaseName(const QString& hostFolder) {
    requireClosed("changing its folder");
    folder_ = hostFolder;
}

void Table::setFilter(const QString& filter) {
    const QString text = filter.trimmed();
    int field = -1;
    if (!text.isEmpty()) {
        static const QRegularExpression form(QStringLiteral("^(\\w+)\\s*(=\\s*true)?$"),
                                             QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = form.match(text);
        field = match.hasMatch() ? def_->fieldIndex(match.captured(1)) : -1;
        if (field < 0 || def_->fields[field].type != FieldType::Boolean)
            throw Error(QStringLiteral("Table %1: the filter \"%2\" is not a boolean field = true")
                            .arg(def_->fileName(), filter));
    }
    if (conn_) requireBrowse("changing the filter");
    filterField_ = field;
    if (field >= 0) filtered_ = true;
    if (conn_) first();
}

QString Table::filter() const {
    return filterField_ < 0 ? QString() : def_->fields[filterField_].name + QStringLiteral("=true");
}

void Table::setFiltered(bool filtered) {
    if (conn_) requireBrowse("switching the filter");
    filtered_ = filtered;
    if (conn_) first();
}

void Table::setIndexName(const QString& indexName) {
    requireClosed("choosing an index");
    if (indexName.isEmpty()) {
        indexName_.clear();
        return;
    }
    const IndexDef* index = def_->secondaryIndex(indexName);
    if (!index)
        throw Error(QStringLiteral("Table %1 has no index %2").arg(def_->fileName(), indexName));
    indexName_ = index->name;
}

void Table::setExclusive(bool exclusive) {
    requireClosed("changing exclusive use");
    exclusive_ = exclusive;
}

void Table::open() {
    if (conn_) return;
    const QStringList fields =
        indexName_.isEmpty() ? def_->primaryKey : def_->secondaryIndex(indexName_)->fields;
    keyFields_.clear();
    for (const QString& name : fields) keyFields_.append(def_->fieldIndex(name));
    const QString sqlIndex = store_detail::sqlIndexName(*def_, indexName_);
    if (sqlIndex.isEmpty()) {
        // Insertion order, or the auto-increment field, which is the rowid itself.
        orderFields_.clear();
        orderSource_ = quoted(def_->name) + QStringLiteral(" NOT INDEXED");
    } else {
        orderFields_ = keyFields_;
        orderSource_ = quoted(def_->name) + QStringLiteral(" INDEXED BY ") + quoted(sqlIndex);
    }
    conn_ = std::make_unique<Connection>(*def_, folder_,
                                         exclusive_ ? LockMode::Exclusive : LockMode::Shared);
    state_ = State::Browse;
    first();
}

void Table::close() {
    current_.reset();
    pending_.clear();
    state_ = State::Browse;
    conn_.reset();
}

QString Table::filterCondition() const {
    return quoted(def_->fields[filterField_].name) + QStringLiteral(" = 1");
}

bool Table::inView(const Record& record) const {
    if (!filtered_ || filterField_ < 0) return true;
    const QVariant& value = record.values[filterField_];
    return value.isValid() && value.toBool();
}

Table::RecordPtr Table::seek(const QStringList& conditions, const QVariantList& bindings,
                             const QList<int>& bindingFields, bool filtered) {
    QStringList where = conditions;
    if (filtered && filtered_ && filterField_ >= 0) where.append(filterCondition());
    QStringList order;
    for (int f : orderFields_) order.append(quoted(def_->fields[f].name));
    order.append(QStringLiteral("rowid"));
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(conn_->recordColumns(), orderSource_);
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", ")) +
           QStringLiteral(" LIMIT 1");
    return boxed(conn_->selectRecord(sql, bindings, bindingFields));
}

// The first record in view after `record`'s place (its index values, then its rowid).
// Each level keeps the leading fields equal and steps the next one up, deepest first,
// so every query is one seek in the index.
Table::RecordPtr Table::seekAfter(const Record& record) {
    const int n = int(orderFields_.size());
    for (int level = n; level >= 0; --level) {
        QStringList conditions;
        QVariantList bindings;
        QList<int> fields;
        for (int i = 0; i < level; ++i) {
            const int f = orderFields_[i];
            conditions.append(quoted(def_->fields[f].name) + QStringLiteral(" IS ?"));
            bindings.append(record.values[f]);
            fields.append(f);
        }
        if (level == n) {
            conditions.append(QStringLiteral("rowid > ?"));
            bindings.append(record.rowid);
            fields.append(-1);
        } else {
            const int f = orderFields_[level];
            const QVariant& value = record.values[f];
            if (!value.isValid() || value.isNull()) {
                conditions.append(quoted(def_->fields[f].name) + QStringLiteral(" IS NOT NULL"));
            } else {
                conditions.append(quoted(def_->fields[f].name) + QStringLiteral(" > ?"));
                bindings.append(value);
                fields.append(f);
            }
        }
        if (RecordPtr found = seek(conditions, bindings, fields, true)) return found;
    }
    return nullptr;
}

void Table::first() {
    requireBrowse("first");
    current_ = seek({}, {}, {}, true);
}

void Table::next() {
    requireBrowse("next");
    if (current_) current_ = seekAfter(*current_);
}

int Table::recordCount() {
    requireBrowse("recordCount");
    QString sql = QStringLiteral("SELECT count(*) FROM %1").arg(quoted(def_->name));
    if (filtered_ && filterField_ >= 0) sql += QStringLiteral(" WHERE ") + filterCondition();
    return int(conn_->selectCount(sql));
}

bool Table::findKey(const QVariantList& key) {
    requireBrowse("findKey");
    if (keyFields_.isEmpty())
        throw Error(QStringLiteral("Table %1 has no index to look up").arg(def_->fileName()));
    if (key.isEmpty() || key.size() > keyFields_.size())
        throw Error(QStringLiteral("Table %1: a key of %2 values for an index of %3 fields")
                        .arg(def_->fileName())
                        .arg(key.size())
                        .arg(keyFields_.size()));
    QStringList conditions;
    QVariantList bindings;
    QList<int> fields;
    for (int i = 0; i < key.size(); ++i) {
        const int f = keyFields_[i];
        conditions.append(quoted(def_->fields[f].name) + QStringLiteral(" IS ?"));
        bindings.append(store_detail::toFieldValue(*def_, f, key[i], true));
        fields.append(f);
    }
    RecordPtr found = seek(conditions, bindings, fields, false);
    if (!found) return false;
    current_ = std::move(found);
    return true;
}

void Table::refresh() {
    requireBrowse("refresh");
    if (!current_) return;
    RecordPtr fresh = boxed(conn_->read(current_->rowid));
    if (fresh && inView(*fresh))
        current_ = std::move(fresh);
    else
        current_ = seekAfter(*current_);
}

void Table::insert() {
    requireBrowse("insert");
    pending_.clear();
    for (const FieldDef& f : def_->fields) pending_.append(f.defaultValue);
    state_ = State::Insert;
}

void Table::edit() {
    requireBrowse("edit");
    if (!current_) throw Error(QStringLiteral("Table %1: no current record to edit").arg(def_->fileName()));
    RecordPtr fresh = boxed(conn_->read(current_->rowid));
    if (!fresh)
        throw Error(QStringLiteral("Table %1: the current record was deleted by another handle")
                        .arg(def_->fileName()));
    current_ = std::move(fresh);
    pending_ = current_->values;
    state_ = State::Edit;
}

void Table::setField(const QString& fieldName, const QVariant& value) {
    if (!conn_ || state_ == State::Browse)
        throw Error(QStringLiteral("Table %1: setting field %2 needs insert or edit first")
                        .arg(def_->fileName(), fieldName));
    const int f = fieldOf(fieldName);
    pending_[f] = store_detail::toFieldValue(*def_, f, value, false);
}

void Table::post() {
    if (!conn_ || state_ == State::Browse)
        throw Error(QStringLiteral("Table %1: post needs insert or edit first").arg(def_->fileName()));
    if (state_ == State::Edit) {
        conn_->write(current_->rowid, pending_);
        const Record old = *current_;
        state_ = State::Browse;
        pending_.clear();
        RecordPtr fresh = boxed(conn_->read(old.rowid));
        current_ = fresh && inView(*fresh) ? std::move(fresh) : seekAfter(old);
    } else {
        const qint64 rowid = conn_->write(std::nullopt, pending_);
        state_ = State::Browse;
        pending_.clear();
        RecordPtr fresh = boxed(conn_->read(rowid));
        current_ = fresh && !inView(*fresh) ? seekAfter(*fresh) : std::move(fresh);
    }
}

void Table::cancel() {
    state_ = State::Browse;
    pending_.clear();
}

QVariant Table::field(const QString& fieldName) const {
    const int f = fieldOf(fieldName);
    if (state_ != State::Browse) return pending_[f];
    return current_ ? current_->values[f] : QVariant();
}

void Table::deleteRecord() {
    requireBrowse("deleteRecord");
    if (!current_)
        throw Error(QStringLiteral("Table %1: no current record to delete").arg(def_->fileName()));
    const Record old = *current_;
    conn_->remove(old.rowid);
    current_ = seekAfter(old);
}

void Table::emptyTable() {
    if (!conn_) {
        Connection(*def_, folder_, LockMode::Exclusive).removeAll();
        return;
    }
    requireBrowse("emptyTable");
    if (!exclusive_) {
        if (!conn_->lock().tryExclusive())
            throw Error(store_detail::inUseMessage(def_->fileName()));
        try {
            conn_->removeAll();
        } catch (...) {
            conn_->lock().backToShared();
            throw;
        }
        conn_->lock().backToShared();
    } else {
        conn_->removeAll();
    }
    current_.reset();
}

// ---- Query

Query::Query() = default;
Query::~Query() = default;

void Query::requireOpen(const char* operation) const {
    if (!conn_)
        throw Error(QStringLiteral("Query \"%1\" is not open (%2)").arg(sql_, QLatin1String(operation)));
}

void Query::setSql(const QString& sql) {
    if (conn_) throw Error(QStringLiteral("Query \"%1\": close it before changing it").arg(sql_));
    static const QRegularExpression form(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\w+)"
                       "(?:\\s+where\\s+(\\w+)\\s*=\\s*:(\\w+))?\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(sql);
    if (!match.hasMatch())
        throw Error(QStringLiteral("Unsupported statement \"%1\": only \"select * from T\" and "
                                   "\"select * from T where F=:param\" are understood")
                        .arg(sql));
    const TableDef* def = nullptr;
    for (const TableDef& candidate : tableDefinitions())
        if (candidate.name.compare(match.captured(1), Qt::CaseInsensitive) == 0) def = &candidate;
    if (!def)
        throw Error(QStringLiteral("Statement \"%1\": there is no table %2").arg(sql, match.captured(1)));
    int whereField = -1;
    if (match.hasCaptured(2)) {
        whereField = def->fieldIndex(match.captured(2));
        if (whereField < 0)
            throw Error(QStringLiteral("Statement \"%1\": table %2 has no field %3")
                            .arg(sql, def->fileName(), match.captured(2)));
    }
    const QString param = match.captured(3);
    if (param.compare(paramName_, Qt::CaseInsensitive) != 0 || param.isEmpty()) paramValue_.reset();
    sql_ = sql;
    def_ = def;
    whereField_ = whereField;
    paramName_ = param;
}

void Query::setDatabaseName(const QString& hostFolder) {
    if (conn_) throw Error(QStringLiteral("Query \"%1\": close it before changing its folder").arg(sql_));
    folder_ = hostFolder;
}

void Query::setParam(const QString& name, const QVariant& value) {
    QString bare = name.trimmed();
    if (bare.startsWith(QLatin1Char(':'))) bare.remove(0, 1);
    if (paramName_.isEmpty() || bare.compare(paramName_, Qt::CaseInsensitive) != 0)
        throw Error(QStringLiteral("Query \"%1\" has no parameter :%2").arg(sql_, bare));
    paramValue_ = value;
}

void Query::setReadOnly(bool readOnly) {
    if (conn_) throw Error(QStringLiteral("Query \"%1\": close it before changing it").arg(sql_));
    readOnly_ = readOnly;
}

void Query::open() {
    if (conn_) return;
    if (!def_) throw Error(QStringLiteral("Query has no statement to open"));
    if (whereField_ >= 0 && !paramValue_)
        throw Error(QStringLiteral("Query \"%1\": parameter :%2 has no value").arg(sql_, paramName_));
    QVariant key;
    if (whereField_ >= 0) key = store_detail::toFieldValue(*def_, whereField_, *paramValue_, true);
    auto conn = std::make_unique<Connection>(*def_, folder_, LockMode::Shared);
    QStringList order;
    for (const QString& name : def_->primaryKey) order.append(quoted(name));
    order.append(QStringLiteral("rowid"));
    QString sql = QStringLiteral("SELECT rowid FROM %1").arg(quoted(def_->name));
    QVariantList bindings;
    QList<int> fields;
    if (whereField_ >= 0) {
        sql += QStringLiteral(" WHERE %1 = ?").arg(quoted(def_->fields[whereField_].name));
        bindings.append(key);
        fields.append(whereField_);
    }
    sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    rows_ = conn->selectRowids(sql, bindings, fields);
    conn_ = std::move(conn);
    position_ = 0;
    editing_ = false;
    load();
}

void Query::close() {
    current_.reset();
    rows_.clear();
    pending_.clear();
    editing_ = false;
    conn_.reset();
}

// Makes the row at position_ current, passing over rows deleted since the query ran.
void Query::load() {
    current_.reset();
    for (; position_ < rows_.size(); ++position_) {
        if ((current_ = boxed(conn_->read(rows_[position_])))) return;
    }
}

void Query::first() {
    requireOpen("first");
    if (editing_) throw Error(QStringLiteral("Query \"%1\": post or cancel first").arg(sql_));
    position_ = 0;
    load();
}

void Query::next() {
    requireOpen("next");
    if (editing_) throw Error(QStringLiteral("Query \"%1\": post or cancel first").arg(sql_));
    if (!current_) return;
    ++position_;
    load();
}

bool Query::eof() const { return current_ == nullptr; }

int Query::recordCount() const {
    requireOpen("recordCount");
    return int(rows_.size());
}

QVariant Query::field(const QString& fieldName) const {
    const int f = def_ ? def_->fieldIndex(fieldName) : -1;
    if (f < 0) throw Error(QStringLiteral("Query \"%1\" has no field %2").arg(sql_, fieldName));
    if (editing_) return pending_[f];
    return current_ ? current_->values[f] : QVariant();
}

void Query::edit() {
    requireOpen("edit");
    if (readOnly_) throw Error(QStringLiteral("Query \"%1\" is read-only").arg(sql_));
    if (editing_) return;
    if (!current_) throw Error(QStringLiteral("Query \"%1\": no current row to edit").arg(sql_));
    std::unique_ptr<Record> fresh = boxed(conn_->read(current_->rowid));
    if (!fresh)
        throw Error(QStringLiteral("Query \"%1\": the current row was deleted by another handle").arg(sql_));
    current_ = std::move(fresh);
    pending_ = current_->values;
    editing_ = true;
}

void Query::setField(const QString& fieldName, const QVariant& value) {
    if (!editing_)
        throw Error(QStringLiteral("Query \"%1\": setting field %2 needs edit first").arg(sql_, fieldName));
    const int f = def_->fieldIndex(fieldName);
    if (f < 0) throw Error(QStringLiteral("Query \"%1\" has no field %2").arg(sql_, fieldName));
    pending_[f] = store_detail::toFieldValue(*def_, f, value, false);
}

void Query::post() {
    if (!editing_) throw Error(QStringLiteral("Query \"%1\": post needs edit first").arg(sql_));
    conn_->write(current_->rowid, pending_);
    editing_ = false;
    pending_.clear();
    load();
}

void Query::cancel() {
    editing_ = false;
    pending_.clear();
}

}  // namespace kv
