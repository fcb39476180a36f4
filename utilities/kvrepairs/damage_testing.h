// Tables for the repair's tests: filled through the store, then damaged byte by byte
// as a crash, a faulty disk or an interrupted copy would leave them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kv {

// A temporary folder holding the five empty tables.
class TableFolder {
public:
    TableFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // Every name in the folder, hidden ones included, sorted.
    QStringList entries() const;

private:
    QTemporaryDir dir_;
};

// Adds `count` records to Files through the store, numbered on from those there are.
void addFiles(const QString& folder, int count);
// Every record of a table, read through the store in primary order, one line each
// with all its fields.
QStringList records(const QString& folder, const QString& table);

QByteArray fileBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// Read straight from a table file with SQLite (no handle of the store may be open).
struct Page {
    int number = 0;
    int cells = 0;
};
int pageSize(const QString& file);
int rootPage(const QString& file, const QString& object);
// The leaf pages of a table or index, in key order.
QList<Page> leafPages(const QString& file, const QString& object);
// Runs SQL on a database file (made when the file is empty).
void makeDatabase(const QString& file, const QString& sql);
// The first problem the integrity check finds, or "ok".
QString integrity(const QString& file);

void overwritePage(const QString& file, int page);
void keepPages(const QString& file, int pages);

}  // namespace kv
