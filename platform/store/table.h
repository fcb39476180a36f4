// Table and Query: the handles through which the programs read and write the tables.
//
// A handle names one table of platform/store/schema.h and is pointed at a folder that
// holds the table files. Opening it opens the file (never creates it); closing it
// releases the file. Handles are used on one thread; several handles, in one process
// or several, may have the same table open and see each other's posted changes.
//
// Locking: an open handle holds an advisory flock on the table file, shared, or
// exclusive for an exclusive handle. Opening exclusively, and emptying a table, fail
// with kv::Error ("Table Files.DAT is in use: ...") while any other handle has the
// table open; opening shared fails while another handle has it exclusively.
//
// Errors of every operation are kv::Error with a message naming the table file.
#pragma once

#include "platform/store/schema.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace kv {

namespace store_detail {
class Connection;
struct Record;
}  // namespace store_detail

// A handle on one table, walked in the order of its current index.
//
// Order: the current index's fields, ascending (texts by character code, so case
// matters; empty values first; false before true), ties in insertion order. Without a
// chosen index the primary index is used; a table without an index (Qb) is walked in
// insertion order.
//
// Filter: setFilter("NeedsIndex") or setFilter("NeedsIndex=true") keeps the records
// whose boolean field is true (empty counts as false). While filtering is on, first(),
// next(), eof() and recordCount() see only those records. findKey() ignores the
// filter: a lookup by key finds any record of the table.
//
// Cursor: after open() and first() the cursor rests on the first record in view, or
// eof() is true when there is none; next() moves to the following record in view, and
// sets eof() after the last. eof() means there is no current record: field() returns
// null and edit() and deleteRecord() fail.
//
// Posting and deleting move the cursor like this:
//  - an edited record that is still in view stays current, at its new place in the
//    order when its key changed (so next() goes on after its new place);
//  - an edited record that left the view (its filter field is no longer true) is gone
//    from the cursor, which rests on the record that followed it in view: that record
//    is current at once, and a following next() moves one further. Hence
//        while (!t.eof()) { t.edit(); t.setField("Selected", false); t.post(); }
//    clears every record of a "Selected=true" view exactly once;
//  - an inserted record becomes current when it is in view, else the cursor rests on
//    the record that follows its place;
//  - a deleted record's place passes to the record that followed it.
// eof() is true when no record follows.
class Table {
public:
    // tableName: "Directory", "Files", "ix", "Qb" or "oID" (any case, ".DAT" allowed).
    explicit Table(const QString& tableName);
    ~Table();  // closes the handle, dropping an unposted change
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const TableDef& definition() const { return *def_; }

    // The folder of the table files (empty: the current directory when opened).
    // Only while closed.
    void setDatabaseName(const QString& hostFolder);
    QString databaseName() const { return folder_; }

    // "Field" or "Field=true" for a boolean field; empty for none. Setting a filter
    // switches filtering on. Allowed while open: the cursor goes to the first record
    // of the new view.
    void setFilter(const QString& filter);
    QString filter() const;
    // Filtering on or off; allowed while open, with the cursor going to the first
    // record of the new view.
    void setFiltered(bool filtered);
    bool filtered() const { return filtered_; }

    // A secondary index by name ("xID"); empty for the primary index. Only while closed.
    void setIndexName(const QString& indexName);
    QString indexName() const { return indexName_; }

    // An exclusive handle opens only when no other handle has the table open, and
    // keeps every other handle out while it is open. Only while closed.
    void setExclusive(bool exclusive);
    bool exclusive() const { return exclusive_; }

    // Opens the table file and goes to the first record. Opening an open handle does
    // nothing. kv::Error when the file is missing, is not a table file of this
    // table, or is in use (see above).
    void open();
    // Closes the handle; an unposted change is dropped.
    void close();
    bool isOpen() const { return conn_ != nullptr; }

    // REQUIRES (first, next, findKey, refresh, recordCount): open, no unposted change.
    void first();
    void next();
    bool eof() const { return current_ == nullptr; }
    int recordCount();

    // Exact lookup on the current index: the values are matched, in order, to the
    // leading fields of the index (so a primary index over two fields can be searched
    // by its first field alone). Texts match exactly, case included: callers lower
    // case paths before they look them up. Found: the first matching record in index
    // order becomes current, true, even when it lies outside the filtered view (next()
    // then goes on with the first record in view after it). Not found: the cursor
    // stays, false.
    bool findKey(const QVariantList& key);
    template <typename... Values>
        requires(sizeof...(Values) > 0)
    bool findKey(const Values&... values) {
        return findKey(QVariantList{QVariant(values)...});
    }

    // Reads the current record again; one that was deleted or left the view meanwhile
    // gives way to the record that followed it.
    void refresh();

    // insert(): a new record holding the fields' default values. edit(): the current
    // record, read afresh. Then setField() changes fields and post() writes the record
    // (kv::Error for an empty required field or a duplicate primary key, leaving the
    // table unchanged and the change pending), or cancel() drops the change.
    // setField() checks the value at once: a text longer than the field's width, a
    // value of the wrong kind or a value for the auto-increment field is kv::Error.
    // Posting an insert assigns the auto-increment field.
    void insert();
    void edit();
    void setField(const QString& fieldName, const QVariant& value);
    void post();
    void cancel();
    // The field's value (QString, int, bool, QDateTime or QDate), null when empty or
    // when there is no current record; during insert or edit, the pending value.
    QVariant field(const QString& fieldName) const;

    // REQUIRES: a current record, no unposted change.
    void deleteRecord();

    // Removes every record and restarts the auto-increment numbering. Works open or
    // closed; needs the table for itself for the moment (kv::Error while any other
    // handle has it open). An open handle is left at eof().
    void emptyTable();

private:
    enum class State { Browse, Edit, Insert };

    void requireOpen(const char* operation) const;
    void requireBrowse(const char* operation) const;
    void requireClosed(const char* operation) const;
    int fieldOf(const QString& fieldName) const;
    bool inView(const store_detail::Record& record) const;
    QString filterCondition() const;
    using RecordPtr = std::unique_ptr<store_detail::Record>;
    RecordPtr seek(const QStringList& conditions, const QVariantList& bindings,
                   const QList<int>& bindingFields, bool filtered);
    RecordPtr seekAfter(const store_detail::Record& record);

    const TableDef* def_;
    QString folder_;
    int filterField_ = -1;
    bool filtered_ = false;
    QString indexName_;
    bool exclusive_ = false;

    std::unique_ptr<store_detail::Connection> conn_;
    QList<int> orderFields_;     // fields of the open handle's order, before the rowid
    QList<int> keyFields_;       // fields findKey() matches
    QString orderSource_;        // FROM clause naming the SQLite index to walk
    RecordPtr current_;  // null at eof
    State state_ = State::Browse;
    QVariantList pending_;
};

// A statement "select * from T" or "select * from T where F=:param" over one table,
// with an editable result. Table and field names match without regard to case; the
// table is named without ".DAT". The result is the matching records in the table's
// primary index order, fixed when the query is opened: a posted change writes the
// record back to the table and stays in the result. Anything but these two forms of
// statement is kv::Error.
class Query {
public:
    Query();
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Only while closed. The parameter values are kept when the statement names the
    // same parameters.
    void setSql(const QString& sql);
    QString sql() const { return sql_; }
    void setDatabaseName(const QString& hostFolder);  // only while closed
    QString databaseName() const { return folder_; }
    // The value for ":name" (name with or without the colon, any case); used by the
    // next open(). kv::Error when the statement has no such parameter.
    void setParam(const QString& name, const QVariant& value);
    // A read-only query refuses edit(). Only while closed.
    void setReadOnly(bool readOnly);
    bool readOnly() const { return readOnly_; }

    // Runs the statement and goes to the first row. kv::Error when the table file is
    // missing or a parameter has no value.
    void open();
    void close();  // drops an unposted change
    bool isOpen() const { return conn_ != nullptr; }

    void first();
    void next();
    bool eof() const;
    int recordCount() const;
    // The current row's field (null when empty or at eof); the pending value while editing.
    QVariant field(const QString& fieldName) const;

    // Edits the current row as Table::edit/setField/post/cancel do.
    void edit();
    void setField(const QString& fieldName, const QVariant& value);
    void post();
    void cancel();

private:
    void requireOpen(const char* operation) const;
    void load();

    QString sql_;
    const TableDef* def_ = nullptr;
    int whereField_ = -1;
    QString paramName_;
    std::optional<QVariant> paramValue_;
    QString folder_;
    bool readOnly_ = false;

    std::unique_ptr<store_detail::Connection> conn_;
    QList<qint64> rows_;
    qsizetype position_ = 0;
    std::unique_ptr<store_detail::Record> current_;
    bool editing_ = false;
    QVariantList pending_;
};

}  // namespace kv
