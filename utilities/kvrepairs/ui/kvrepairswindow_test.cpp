// The repair window draws its module and forwards the two commands, offscreen.
#include "utilities/kvrepairs/ui/kvrepairswindow.h"

#include "platform/core/dialogs.h"
#include "platform/fs/dosfs.h"
#include "platform/core/errorhandler.h"
#include "utilities/kvrepairs/damage_testing.h"
#include "utilities/kvrepairs/tfmkvrepairs.h"
#include "utilities/kvrepairs/ui/embossedlabel.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

class RepairsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        DriveMap map;
        map.roots.insert(u'c', folder.path());
        fs = std::make_unique<FileSystem>(map);
        fs->setCurrentDir("c:\\");
        module = std::make_unique<TfmKVRepairs>(*fs, dialogs);
        window = std::make_unique<KVRepairsWindow>(*module, errorReportingRunner(dialogs), gate);
        module->show();
    }
    void TearDown() override { QDir::setCurrent(previous); }

    EmbossedLabel* label(const char* name) { return window->findChild<EmbossedLabel*>(name); }

    QString previous = QDir::currentPath();
    TableFolder folder;
    std::unique_ptr<FileSystem> fs;
    RecordingDialogs dialogs;
    ActivationGate gate;
    std::unique_ptr<TfmKVRepairs> module;
    std::unique_ptr<KVRepairsWindow> window;
};

TEST_F(RepairsWindowTest, ShowsItsThreeBands) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(296, 204));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowTitle(), "Korvane Table Repairs");
    ASSERT_NE(label("lblHeading"), nullptr);
    EXPECT_EQ(label("lblHeading")->text(), "Korvane Table Repairs");
    EXPECT_EQ(label("lblHeading")->geometry(), QRect(0, 0, 296, 30));
    auto* text = window->findChild<QLabel*>("lblExplanation");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), TfmKVRepairs::explanation);
    EXPECT_TRUE(text->wordWrap());
    for (const auto& [name, caption] : {std::pair{"lblRepair", "Repairs"}, std::pair{"lblCancel", "Cancel"}}) {
        SCOPED_TRACE(name);
        EmbossedLabel* command = label(name);
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->text(), caption);
        EXPECT_EQ(command->toolTip(), "Click here to perform table repairs");
        EXPECT_GE(command->y(), 204 - 41);
        EXPECT_LE(command->geometry().bottom(), 204);
        EXPECT_EQ(command->letterColour(), QColor(192, 192, 192));
    }
}

TEST_F(RepairsWindowTest, ClickingCancelClosesTheWindowSilently) {
    QTest::mouseClick(label("lblCancel"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(RepairsWindowTest, ClickingRepairsReportsOrShowsTheError) {
    writeBytes(folder.file("oID.DAT"), "not a table");
    QTest::mouseClick(label("lblRepair"), Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("oID.DAT")) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(window->isVisible());

    QFile::remove(folder.file("oID.DAT"));
    QTest::mouseClick(label("lblRepair"), Qt::LeftButton);
    EXPECT_EQ(dialogs.messages, QStringList{"Korvane tables repaired and optimized"});
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace kv
