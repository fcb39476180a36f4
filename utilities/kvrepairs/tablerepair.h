// Repair of one table file of a base folder: integrity check, index rebuild and
// compaction, with the table file itself replaced only by a copy that is sound.
//
// The work happens on copies in a hidden folder beside the tables, while the table
// file's flock is held exclusively (the rule of platform/store: no handle of any
// program may have the table open meanwhile). The original is never opened by
// SQLite, so a table that cannot be repaired is left exactly as it was.
//
//  - A sound table (integrity check "ok", every column and index of the schema in
//    place) is re-indexed (REINDEX) and compacted (VACUUM).
//  - A damaged table is rebuilt: a fresh, empty table made by the installation step
//    receives every record that can still be read, with its rowid (and so its file
//    or message number) unchanged. Records are read in rowid order from the start
//    and from the end, each read stopping at the first unreadable page; then every
//    index of the table, which lists the rowid of each record, is read the same way,
//    and from each rowid found only there the table is read onward and backward
//    again. Records on readable pages are so found even past unreadable ones, as
//    long as the path to their page, or an index entry of theirs, can be read.
//  - A file that is not a database, or holds no table of this name with the
//    schema's fields, is refused.
#pragma once

#include "platform/store/schema.h"

#include <QString>

#include <optional>

namespace kv {

struct TableRepair {
    QString tableFile;        // "Files.DAT"
    bool rebuilt = false;     // the table was damaged and has been rebuilt
    bool complete = true;     // every record could be read (false only when rebuilt)
    qint64 records = 0;       // records in the repaired table
    QString damagedCopy;      // when !complete: the host path where the damaged file is kept
};

// Repairs the table file of def in hostFolder. nullopt when there is no such file.
// kv::Error naming the table when the table is in use, is not a table of this
// schema, or cannot be repaired; the table file is then unchanged.
std::optional<TableRepair> repairTable(const TableDef& def, const QString& hostFolder);

}  // namespace kv
