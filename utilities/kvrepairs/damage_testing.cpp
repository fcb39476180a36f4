#include "utilities/kvrepairs/damage_testing.h"

#include "platform/store/table.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace kv {

namespace {

// A plain SQLite connection for looking into a table file.
class Peek {
public:
    explicit Peek(const QString& file) {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &db_, SQLITE_OPEN_READWRITE,
                                  nullptr),
                  SQLITE_OK);
    }
    ~Peek() { sqlite3_close(db_); }
    // The rows of a statement, columns joined by "|".
    QStringList rows(const QString& sql, const QString& parameter = {}) {
        sqlite3_stmt* stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        // A file SQLite refuses answers with the reason, as a row.
        if (sqlite3_prepare_v2(db_, text.constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return {QString::fromUtf8(sqlite3_errmsg(db_))};
        const QByteArray param = parameter.toUtf8();
        if (!parameter.isNull())
            sqlite3_bind_text(stmt, 1, param.constData(), -1, SQLITE_TRANSIENT);
        QStringList result;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i)
                columns.append(QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))));
            result.append(columns.join(QLatin1Char('|')));
        }
        if (rc != SQLITE_DONE) result.append(QString::fromUtf8(sqlite3_errmsg(db_)));
        sqlite3_finalize(stmt);
        return result;
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace

TableFolder::TableFolder() { createTables(dir_.path()); }

QStringList TableFolder::entries() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                           QDir::NoDotAndDotDot,
                                       QDir::Name);
}

void addFiles(const QString& folder, int count) {
    Table files("Files");
    files.setDatabaseName(folder);
    files.open();
    const int start = files.recordCount();
    const QDateTime base(QDate(2004, 3, 1), QTime(9, 30));
    for (int i = start; i < start + count; ++i) {
        files.insert();
        files.setField("FileName", QStringLiteral("c:\\docs\\report %1 on the quarterly figures.doc")
                                       .arg(i, 5, 10, QLatin1Char('0')));
        files.setField("Modified", base.addSecs(i * 61));
        files.setField("Size", i * 37);
        files.setField("NeedsIndex", i % 3 == 0);
        if (i % 5 == 0) files.setField("Selected", true);
        files.post();
    }
    files.close();
}

QStringList records(const QString& folder, const QString& table) {
    Table t(table);
    t.setDatabaseName(folder);
    t.open();
    QStringList lines;
    for (t.first(); !t.eof(); t.next()) {
        QStringList values;
        for (const FieldDef& f : t.definition().fields) values.append(t.field(f.name).toString());
        lines.append(values.join(QLatin1Char('|')));
    }
    t.close();
    return lines;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

int pageSize(const QString& file) { return Peek(file).rows("PRAGMA page_size").value(0).toInt(); }

int rootPage(const QString& file, const QString& object) {
    return Peek(file).rows("SELECT rootpage FROM sqlite_master WHERE name = ?1", object).value(0).toInt();
}

QList<Page> leafPages(const QString& file, const QString& object) {
    QList<Page> pages;
    const QStringList rows = Peek(file).rows(
        "SELECT pageno, ncell FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY path",
        object);
    for (const QString& row : rows)
        pages.append({row.section('|', 0, 0).toInt(), row.section('|', 1, 1).toInt()});
    return pages;
}

void makeDatabase(const QString& file, const QString& sql) { Peek(file).rows(sql); }

QString integrity(const QString& file) {
    return Peek(file).rows("PRAGMA integrity_check").value(0);
}

void overwritePage(const QString& file, int page) {
    const int size = pageSize(file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(qint64(page - 1) * size));
    f.write(QByteArray(size, char(0xA5)));
}

void keepPages(const QString& file, int pages) {
    const int size = pageSize(file);
    ASSERT_TRUE(QFile::resize(file, qint64(pages) * size));
}

}  // namespace kv
