// The repair of one table file: sound tables, damaged ones, and files it must refuse.
#include "utilities/kvrepairs/tablerepair.h"

#include "platform/core/error.h"
#include "platform/store/table.h"
#include "utilities/kvrepairs/damage_testing.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <functional>

#include <gtest/gtest.h>

namespace kv {
namespace {

const TableDef& files() { return tableDefinition("Files"); }

QSet<QString> asSet(const QStringList& lines) { return QSet<QString>(lines.begin(), lines.end()); }

// The number a record posted now gets.
int nextId(const QString& folder) {
    Table t("Files");
    t.setDatabaseName(folder);
    t.open();
    t.insert();
    t.setField("FileName", QStringLiteral("c:\\docs\\posted after the repair.doc"));
    t.post();
    const int id = t.field("ID").toInt();
    t.close();
    return id;
}

TEST(TableRepair, ASoundTableIsReindexedAndCompactedWithItsRecordsUnchanged) {
    TableFolder folder;
    addFiles(folder.path(), 3000);
    {
        Table t("Files");
        t.setDatabaseName(folder.path());
        t.open();
        for (int left = 2900; left > 0; --left) t.deleteRecord();
        t.close();
    }
    const QStringList before = records(folder.path(), "Files");
    const qint64 sizeBefore = QFileInfo(folder.file("Files.DAT")).size();
    const QStringList entries = folder.entries();

    const std::optional<TableRepair> repair = repairTable(files(), folder.path());

    ASSERT_TRUE(repair);
    EXPECT_FALSE(repair->rebuilt);
    EXPECT_TRUE(repair->complete);
    EXPECT_EQ(repair->records, 100);
    EXPECT_LT(QFileInfo(folder.file("Files.DAT")).size(), sizeBefore);
    EXPECT_EQ(records(folder.path(), "Files"), before);
    EXPECT_EQ(folder.entries(), entries);
    // The numbering goes on where it was, past the deleted records.
    EXPECT_EQ(nextId(folder.path()), 3001);
}

TEST(TableRepair, DamagedTablesAreRebuiltWithEveryReadableRecord) {
    // Each damage returns the number of records it makes unreadable.
    const struct {
        const char* what;
        std::function<int(const QString& file)> damage;
    } cases[] = {
        {"garbage over the primary index's root page",
         [](const QString& file) {
             overwritePage(file, rootPage(file, "Files$primary"));
             return 0;
         }},
        {"garbage over a leaf of the table in the middle of its records",
         [](const QString& file) {
             const QList<Page> leaves = leafPages(file, "Files");
             const Page middle = leaves[leaves.size() / 2];
             overwritePage(file, middle.number);
             return middle.cells;
         }},
        {"garbage over a leaf in the middle and over the last leaf of the table",
         [](const QString& file) {
             const QList<Page> leaves = leafPages(file, "Files");
             const Page middle = leaves[leaves.size() / 2];
             overwritePage(file, middle.number);
             overwritePage(file, leaves.last().number);
             return middle.cells + leaves.last().cells;
         }},
        {"the last quarter of the pages cut off",
         [](const QString& file) {
             const int pages = int(QFileInfo(file).size() / pageSize(file));
             const int kept = pages * 3 / 4;
             int lost = 0;
             for (const Page& leaf : leafPages(file, "Files"))
                 if (leaf.number > kept) lost += leaf.cells;
             keepPages(file, kept);
             return lost;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TableFolder folder;
        addFiles(folder.path(), 3000);
        const QSet<QString> before = asSet(records(folder.path(), "Files"));
        const QStringList entries = folder.entries();
        const int lost = c.damage(folder.file("Files.DAT"));
        ASSERT_GT(before.size(), lost);
        ASSERT_NE(integrity(folder.file("Files.DAT")), "ok");
        const QByteArray damaged = fileBytes(folder.file("Files.DAT"));

        const std::optional<TableRepair> repair = repairTable(files(), folder.path());

        ASSERT_TRUE(repair);
        EXPECT_TRUE(repair->rebuilt);
        EXPECT_EQ(repair->complete, lost == 0);
        EXPECT_EQ(repair->records, before.size() - lost);
        EXPECT_EQ(integrity(folder.file("Files.DAT")), "ok");
        const QStringList after = records(folder.path(), "Files");
        EXPECT_EQ(after.size(), before.size() - lost);
        EXPECT_TRUE(before.contains(asSet(after)));
        // The primary index finds a record by its path again.
        {
            Table t("Files");
            t.setDatabaseName(folder.path());
            t.open();
            EXPECT_TRUE(t.findKey(after.first().section('|', 0, 0)));
            t.close();
        }
        if (lost == 0) {
            EXPECT_EQ(folder.entries(), entries);
            EXPECT_TRUE(repair->damagedCopy.isEmpty());
        } else {
            EXPECT_EQ(repair->damagedCopy, folder.file("Files.DAT.damaged"));
            EXPECT_EQ(fileBytes(repair->damagedCopy), damaged);
            QStringList expected = entries;
            expected.append("Files.DAT.damaged");
            expected.sort();
            EXPECT_EQ(folder.entries(), expected);
        }
        EXPECT_EQ(nextId(folder.path()), 3001);
    }
}

TEST(TableRepair, ASecondDamagedCopyDoesNotReplaceTheFirst) {
    TableFolder folder;
    addFiles(folder.path(), 2000);
    writeBytes(folder.file("Files.DAT.damaged"), "kept from an earlier repair");
    keepPages(folder.file("Files.DAT"), 20);

    const std::optional<TableRepair> repair = repairTable(files(), folder.path());

    ASSERT_TRUE(repair);
    EXPECT_EQ(repair->damagedCopy, folder.file("Files.DAT.damaged-2"));
    EXPECT_EQ(fileBytes(folder.file("Files.DAT.damaged")), "kept from an earlier repair");
}

TEST(TableRepair, ATableLeftWithItsLogAfterACrashKeepsTheLoggedRecords) {
    TableFolder live;
    TableFolder crashed;
    addFiles(live.path(), 100);
    QStringList expected;
    {
        // Records posted while the table is open are in its log, not yet in the file.
        Table open("Files");
        open.setDatabaseName(live.path());
        open.open();
        addFiles(live.path(), 50);
        expected = records(live.path(), "Files");
        for (const QString& name : {QStringLiteral("Files.DAT"), QStringLiteral("Files.DAT-wal")}) {
            QFile::remove(crashed.file(name));
            ASSERT_TRUE(QFile::copy(live.file(name), crashed.file(name)));
        }
        open.close();
    }
    ASSERT_EQ(expected.size(), 150);

    const std::optional<TableRepair> repair = repairTable(files(), crashed.path());

    ASSERT_TRUE(repair);
    EXPECT_TRUE(repair->complete);
    EXPECT_EQ(repair->records, 150);
    EXPECT_FALSE(QFile::exists(crashed.file("Files.DAT-wal")));
    EXPECT_EQ(records(crashed.path(), "Files"), expected);
}

TEST(TableRepair, WhatIsNoTableOfThisSchemaIsReportedAndLeftUntouched) {
    const struct {
        const char* what;
        QByteArray contents;
        const char* sql;  // run on the file when given
        const char* reason;
    } cases[] = {
        {"a text file", "Korvane keeps its file table here.\n", nullptr, "not a table"},
        {"an empty file", "", nullptr, "holds no table Files"},
        {"a database without the table", "", "CREATE TABLE Other (x)", "holds no table Files"},
        {"a table lacking a field", "", "CREATE TABLE Files (FileName TEXT, ID INTEGER)",
         "has no field Modified"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TableFolder folder;
        const QString file = folder.file("Files.DAT");
        writeBytes(file, c.contents);
        if (c.sql) makeDatabase(file, c.sql);
        const QByteArray bytes = fileBytes(file);
        const QStringList entries = folder.entries();

        try {
            repairTable(files(), folder.path());
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains("Files.DAT")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.reason)) << e.message().toStdString();
        }
        EXPECT_EQ(fileBytes(file), bytes);
        EXPECT_EQ(folder.entries(), entries);
    }
}

TEST(TableRepair, ATableInUseIsRefusedAndLeftUntouched) {
    TableFolder folder;
    addFiles(folder.path(), 10);
    const QByteArray bytes = fileBytes(folder.file("Files.DAT"));
    Table holder("Files");
    holder.setDatabaseName(folder.path());
    holder.open();

    try {
        repairTable(files(), folder.path());
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("Files.DAT is in use")) << e.message().toStdString();
    }
    holder.close();
    EXPECT_EQ(fileBytes(folder.file("Files.DAT")), bytes);
    EXPECT_EQ(records(folder.path(), "Files").size(), 10);
}

TEST(TableRepair, AMissingTableIsSkipped) {
    TableFolder folder;
    QFile::remove(folder.file("Files.DAT"));
    const QStringList entries = folder.entries();
    EXPECT_FALSE(repairTable(files(), folder.path()));
    EXPECT_EQ(folder.entries(), entries);
}

}  // namespace
}  // namespace kv
