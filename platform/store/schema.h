// The five tables of a base folder, declared once: fields, widths, defaults, indexes.
//
// Each table lives in its own file in the base folder ("Files.DAT", ...), which is a
// SQLite database holding one table of the same name. createTables() is the
// installation step that puts missing table files in place; the programs themselves
// only open existing tables (platform/store/table.h). The files use SQLite's
// write-ahead log: while a table is open, "Files.DAT-wal" and "Files.DAT-shm" lie
// beside it, and the last handle to close folds them back into the table file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace kv {

enum class FieldType {
    String,         // text of at most `width` characters (code points)
    Memo,           // text of any length
    Integer,        // 32-bit signed integer
    AutoIncrement,  // 32-bit number assigned by the table when an inserted record is posted
    Boolean,        // true, false or empty (null)
    DateTime,       // date and time of day, to the millisecond
    Date,           // calendar date
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int width = 0;            // String only: the most characters a value may have
    bool required = false;    // posting a record with this field empty fails
    QVariant defaultValue;    // what insert() puts into a new record
    // A longer value is cut to `width` instead of being refused. Only for a field
    // whose stored text is a scratch copy and whose callers rely on the cut.
    bool cutToWidth = false;
};

struct IndexDef {
    QString name;
    QStringList fields;
};

struct TableDef {
    QString name;                    // "Files"
    QList<FieldDef> fields;
    QStringList primaryKey;          // unique; empty: no index, records in insertion order
    QList<IndexDef> secondaryIndexes;

    QString fileName() const { return name + QStringLiteral(".DAT"); }
    // Field names match without regard to case; -1 when there is no such field.
    int fieldIndex(const QString& fieldName) const;
    // The auto-increment field, or -1.
    int autoIncrementField() const;
    // The secondary index of that name (case-insensitive), or nullptr.
    const IndexDef* secondaryIndex(const QString& indexName) const;
};

// Directory, Files, ix, Qb and oID, in that order.
const QList<TableDef>& tableDefinitions();

// The table of that name ("Files", "files", "Files.DAT"); kv::Error when there is none.
const TableDef& tableDefinition(const QString& name);

// "Directory.DAT", "Files.DAT", "ix.DAT", "Qb.DAT", "oID.DAT".
QStringList tableFileNames();

// Creates every table file that is missing in hostFolder, empty. An existing file is
// never opened or changed, whatever it holds. kv::Error when the folder does not exist
// or a file cannot be created.
void createTables(const QString& hostFolder);

}  // namespace kv
