// The table definitions and the installation step that creates empty table files.
#include "platform/store/schema.h"

#include "platform/core/error.h"
#include "platform/store/connection.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kv {

namespace {

FieldDef field(const QString& name, FieldType type, int width = 0, bool required = false,
               QVariant defaultValue = {}) {
    FieldDef f;
    f.name = name;
    f.type = type;
    f.width = width;
    f.required = required;
    f.defaultValue = std::move(defaultValue);
    return f;
}

QList<TableDef> buildDefinitions() {
    QList<TableDef> defs;

    // Folder paths are stored as the folder list gives them; 255 characters hold any
    // folder whose files still fit the 150 characters of Files.FileName.
    TableDef directory;
    directory.name = QStringLiteral("Directory");
    directory.fields = {field(QStringLiteral("Directory"), FieldType::String, 255),
                        field(QStringLiteral("Valid"), FieldType::Boolean)};
    directory.primaryKey = {QStringLiteral("Directory")};
    defs.append(directory);

    TableDef files;
    files.name = QStringLiteral("Files");
    files.fields = {field(QStringLiteral("FileName"), FieldType::String, 150, true),
                    field(QStringLiteral("ID"), FieldType::AutoIncrement),
                    field(QStringLiteral("Modified"), FieldType::DateTime),
                    field(QStringLiteral("Size"), FieldType::Integer),
                    // A file entered by the scan needs converting and indexing.
                    field(QStringLiteral("NeedsIndex"), FieldType::Boolean, 0, false, true),
                    field(QStringLiteral("Selected"), FieldType::Boolean)};
    files.primaryKey = {QStringLiteral("FileName")};
    files.secondaryIndexes = {{QStringLiteral("xID"), {QStringLiteral("ID")}},
                              {QStringLiteral("xNeedsIndex"), {QStringLiteral("NeedsIndex")}},
                              {QStringLiteral("xSelected"), {QStringLiteral("Selected")}}};
    defs.append(files);

    TableDef ix;
    ix.name = QStringLiteral("ix");
    ix.fields = {field(QStringLiteral("Word"), FieldType::String, 30),
                 field(QStringLiteral("Count"), FieldType::Integer),
                 field(QStringLiteral("References"), FieldType::Memo)};
    ix.primaryKey = {QStringLiteral("Word")};
    defs.append(ix);

    TableDef qb;
    qb.name = QStringLiteral("Qb");
    FieldDef itemKey = field(QStringLiteral("ItemKey"), FieldType::String, 20, true);
    // The query words are copied here cut to the field's width; the full word stays
    // in the word index.
    itemKey.cutToWidth = true;
    qb.fields = {field(QStringLiteral("Count"), FieldType::Integer, 0, true), itemKey,
                 field(QStringLiteral("IDList"), FieldType::Memo)};
    defs.append(qb);

    TableDef oid;
    oid.name = QStringLiteral("oID");
    oid.fields = {field(QStringLiteral("oID"), FieldType::String, 48),
                  field(QStringLiteral("KVid"), FieldType::AutoIncrement),
                  field(QStringLiteral("From"), FieldType::String, 100),
                  field(QStringLiteral("Date"), FieldType::Date),
                  field(QStringLiteral("Subject"), FieldType::String, 100)};
    oid.primaryKey = {QStringLiteral("oID"), QStringLiteral("KVid")};
    oid.secondaryIndexes = {{QStringLiteral("xSID"), {QStringLiteral("KVid")}}};
    defs.append(oid);

    return defs;
}

// Builds the table in a file of its own name, so that a half-made file never
// appears under the table's name.
void createTableFile(const TableDef& def, const QString& tempPath) {
    QFile::remove(tempPath);
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(tempPath);
    int rc = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    QString failure;
    if (rc == SQLITE_OK) {
        QStringList statements = store_detail::createStatements(def);
        statements.prepend(QStringLiteral("PRAGMA journal_mode=WAL"));
        for (const QString& sql : statements) {
            char* message = nullptr;
            if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) !=
                SQLITE_OK) {
                failure = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
                sqlite3_free(message);
                break;
            }
        }
    } else {
        failure = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
    sqlite3_close(db);
    if (!failure.isEmpty()) {
        QFile::remove(tempPath);
        throw Error(QStringLiteral("Cannot create table %1 (%2): %3")
                        .arg(def.fileName(), tempPath, failure));
    }
}

}  // namespace

int TableDef::fieldIndex(const QString& fieldName) const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int TableDef::autoIncrementField() const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].type == FieldType::AutoIncrement) return i;
    return -1;
}

const IndexDef* TableDef::secondaryIndex(const QString& indexName) const {
    for (const IndexDef& index : secondaryIndexes)
        if (index.name.compare(indexName, Qt::CaseInsensitive) == 0) return &index;
    return nullptr;
}

const QList<TableDef>& tableDefinitions() {
    static const QList<TableDef> defs = buildDefinitions();
    return defs;
}

const TableDef& tableDefinition(const QString& name) {
    QString bare = name.trimmed();
    if (bare.endsWith(QStringLiteral(".DAT"), Qt::CaseInsensitive)) bare.chop(4);
    for (const TableDef& def : tableDefinitions())
        if (def.name.compare(bare, Qt::CaseInsensitive) == 0) return def;
    throw Error(QStringLiteral("There is no table named \"%1\"").arg(name));
}

QStringList tableFileNames() {
    QStringList names;
    for (const TableDef& def : tableDefinitions()) names.append(def.fileName());
    return names;
}

void createTables(const QString& hostFolder) {
    const QDir folder(hostFolder);
    if (!QFileInfo(hostFolder).isDir())
        throw Error(QStringLiteral("Cannot create the tables: folder %1 does not exist")
                        .arg(hostFolder));
    for (const TableDef& def : tableDefinitions()) {
        const QString finalPath = folder.absoluteFilePath(def.fileName());
        // exists() follows links; a dangling link is caught by link() below.
        if (QFileInfo::exists(finalPath)) continue;
        const QString tempPath = finalPath + QStringLiteral(".new-%1").arg(::getpid());
        createTableFile(def, tempPath);
        // link() never replaces an existing file: a table that appeared meanwhile stays.
        const QByteArray from = QFile::encodeName(tempPath);
        const QByteArray to = QFile::encodeName(finalPath);
        const int linked = ::link(from.constData(), to.constData());
        const int linkError = errno;
        ::unlink(from.constData());
        if (linked != 0 && linkError != EEXIST)
            throw Error(QStringLiteral("Cannot create table %1: %2")
                            .arg(finalPath, QString::fromLocal8Bit(std::strerror(linkError))));
    }
}

}  // namespace kv
