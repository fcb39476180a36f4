// The repair window's commands, on a folder of tables that is the current directory.
#include "utilities/kvrepairs/tfmkvrepairs.h"

#include "platform/core/dialogs.h"
#include "platform/core/error.h"
#include "platform/fs/dosfs.h"
#include "platform/store/table.h"
#include "utilities/kvrepairs/damage_testing.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace kv {
namespace {

DriveMap driveOn(const QString& folder) {
    DriveMap map;
    map.roots.insert(u'c', folder);
    return map;
}

class RepairsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs.setCurrentDir("c:\\");
        module = std::make_unique<TfmKVRepairs>(fs, dialogs);
        QObject::connect(module.get(), &Module::closeRequested, [this] { closed = true; });
        module->show();
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QString previous = QDir::currentPath();
    TableFolder folder;
    FileSystem fs{driveOn(folder.path())};
    RecordingDialogs dialogs;
    std::unique_ptr<TfmKVRepairs> module;
    bool closed = false;
};

TEST_F(RepairsTest, CancelEndsWithoutAMessage) {
    addFiles(folder.path(), 5);
    const QByteArray bytes = fileBytes(folder.file("Files.DAT"));
    module->lblCancelClick();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(fileBytes(folder.file("Files.DAT")), bytes);
}

TEST_F(RepairsTest, RepairsReportsAndClosesAndPassesOverMissingTables) {
    addFiles(folder.path(), 50);
    const QStringList before = records(folder.path(), "Files");
    QFile::remove(folder.file("Qb.DAT"));

    module->btnRepairClick();

    EXPECT_EQ(dialogs.messages, QStringList{TfmKVRepairs::repairedMessage});
    EXPECT_TRUE(closed);
    EXPECT_EQ(records(folder.path(), "Files"), before);
    EXPECT_FALSE(QFile::exists(folder.file("Qb.DAT")));
}

TEST_F(RepairsTest, ATableWithUnreadableRecordsIsReportedWithWhatWasKept) {
    addFiles(folder.path(), 2000);
    keepPages(folder.file("Files.DAT"), 40);

    module->btnRepairClick();

    const int kept = int(records(folder.path(), "Files").size());
    ASSERT_GT(kept, 0);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0],
              QStringLiteral("Table Files.DAT was damaged. The %1 records that could be read were "
                             "kept; the damaged table is kept beside it as Files.DAT.damaged.")
                  .arg(kept));
    EXPECT_EQ(dialogs.messages[1], TfmKVRepairs::repairedMessage);
    EXPECT_TRUE(closed);
}

TEST_F(RepairsTest, TablesThatCannotBeRepairedAreNamedAndTheWindowStays) {
    addFiles(folder.path(), 500);
    overwritePage(folder.file("Files.DAT"), rootPage(folder.file("Files.DAT"), "Files$xNeedsIndex"));
    writeBytes(folder.file("ix.DAT"), "not a table");
    Table holder("Directory");
    holder.setDatabaseName(folder.path());
    holder.open();

    try {
        module->btnRepairClick();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        const QStringList lines = e.message().split('\n');
        ASSERT_EQ(lines.size(), 3) << e.message().toStdString();
        EXPECT_TRUE(lines[0].startsWith("Table ix.DAT could not be repaired: the file is not a table"))
            << lines[0].toStdString();
        EXPECT_TRUE(lines[1].startsWith("Table Directory.DAT is in use")) << lines[1].toStdString();
        EXPECT_EQ(lines[2], "The other tables were repaired and optimized.");
    }
    holder.close();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_FALSE(closed);
    EXPECT_TRUE(module->visible());
    EXPECT_EQ(fileBytes(folder.file("ix.DAT")), "not a table");
    EXPECT_EQ(integrity(folder.file("Files.DAT")), "ok");
    EXPECT_EQ(records(folder.path(), "Files").size(), 500);
}

}  // namespace
}  // namespace kv
