#include "collection/tfmselectfiles.h"
#include "index/tfmdoindexing.h"
#include "platform/store/table.h"
#include "platform/core/error.h"
#include "shell/testenv.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmsettings.h"

#include <QDir>
#include <gtest/gtest.h>

namespace kv {
namespace {

class SelectFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = &env.start();
        m->greetings().activate();
        sf = &m->selectFiles();
        sf->show();
        sf->activate();
    }

    void add(const QString& folder) {
        env.fs.createFolder(folder);
        sf->dirsChange(folder);
        sf->squashAddDirectoryClick();
    }

    QVariant valid(const QString& folder) {
        Table t("Directory");
        t.setDatabaseName(env.host(env.baseFolder));
        t.open();
        const QVariant v = t.findKey(folder) ? t.field("Valid") : QVariant(QStringLiteral("absent"));
        t.close();
        return v;
    }

    TestEnv env;
    Modules* m = nullptr;
    TfmSelectFiles* sf = nullptr;
};

TEST_F(SelectFilesTest, AddingRegistersTheFolderInLowerCaseOnce) {
    add("c:\\My Docs");
    EXPECT_EQ(sf->cblDirectories.texts(), QStringList{"c:\\My Docs"});
    EXPECT_TRUE(sf->cblDirectories.entries[0].checked);
    EXPECT_TRUE(valid("c:\\my docs").isNull());
    sf->squashAddDirectoryClick();
    sf->dirsChange("c:\\my docs");
    sf->squashAddDirectoryClick();
    EXPECT_EQ(env.rows("Directory"), 2);  // the working folder and c:\my docs
}

TEST_F(SelectFilesTest, ADriveRootIsRegisteredWithItsOneBackslash) {
    sf->driveChange("c:");
    EXPECT_EQ(sf->dirs, "c:\\");
    sf->squashAddDirectoryClick();
    EXPECT_TRUE(valid("c:\\").isNull());
    sf->btnValidateDirectories();
    EXPECT_EQ(valid("c:\\"), QVariant(true));
}

TEST_F(SelectFilesTest, ValidationAndTheShowCommandsKeepUncheckedFoldersOut) {
    add("c:\\docs");
    add("c:\\notes");
    sf->btnValidateDirectories();
    EXPECT_EQ(valid("c:\\docs"), QVariant(true));

    // A later visit starts with an empty list, so no old check mark is written back.
    QDir(env.host("c:\\notes")).removeRecursively();
    sf->activate();
    sf->btnValidateDirectories();
    EXPECT_EQ(valid("c:\\notes"), QVariant(false));
    sf->squashShowTargetsClick();
    EXPECT_EQ(sf->cblDirectories.texts(), QStringList{"c:\\docs"});

    // Recreated, it stays invalid until the user checks it again.
    env.fs.createFolder("c:\\notes");
    sf->btnValidateDirectories();
    EXPECT_EQ(valid("c:\\notes"), QVariant(false));
    sf->squashShowAllClick();
    EXPECT_EQ(sf->cblDirectories.texts(), (QStringList{"c:\\docs", "c:\\notes"}));
    EXPECT_EQ(sf->cblDirectories.checkedTexts(), QStringList{"c:\\docs"});
    sf->cblDirectoriesClick(1);
    sf->squashShowTargetsClick();
    EXPECT_EQ(valid("c:\\notes"), QVariant(true));
    EXPECT_EQ(sf->cblDirectories.texts(), (QStringList{"c:\\docs", "c:\\notes"}));
}

TEST_F(SelectFilesTest, TheWorkingFolderIsListedOnlyWhileTheScreenIsHidden) {
    add("c:\\docs");
    sf->btnValidateDirectories();
    sf->squashShowAllClick();
    EXPECT_EQ(sf->cblDirectories.texts(), QStringList{"c:\\docs"});
    sf->hide();
    sf->btnShowAll();
    EXPECT_EQ(sf->cblDirectories.texts(), (QStringList{"c:\\docs", "c:\\qorawork"}));
}

TEST_F(SelectFilesTest, DoubleClickDeletesTheSelectedFolderOnly) {
    add("c:\\docs");
    sf->cblDirectories.selected = -1;
    sf->cblDirectoriesDblClick();
    EXPECT_EQ(env.rows("Directory"), 2);
    sf->cblDirectories.selected = 0;
    sf->cblDirectoriesDblClick();
    EXPECT_TRUE(sf->cblDirectories.entries.isEmpty());
    EXPECT_EQ(valid("c:\\docs"), QVariant(QStringLiteral("absent")));
    EXPECT_EQ(env.rows("Directory"), 1);
}

TEST_F(SelectFilesTest, ActivationEmptiesTheListAndTheFileListFollowsTheMask) {
    env.fs.createFolder("c:\\docs");
    env.fs.writeText("c:\\docs\\a.doc", "x");
    env.fs.writeText("c:\\docs\\b.html", "x");
    env.fs.writeText("c:\\docs\\c.pdf", "x");
    m->settings().kindClick(TfmSettings::Kind::HTML);
    m->settings().kindClick(TfmSettings::Kind::Word);
    m->settings().btnInitKV();
    sf->dirsChange("c:\\docs");
    EXPECT_EQ(sf->files, (QStringList{"a.doc", "b.html"}));
    sf->squashAddDirectoryClick();
    sf->activate();
    EXPECT_TRUE(sf->cblDirectories.entries.isEmpty());
    EXPECT_FALSE(sf->memHelpVisible);
}

TEST_F(SelectFilesTest, IndexFilesWritesTheStatusTexts) {
    sf->lblDoneClick();
    TfmDoIndexing& status = m->doIndexing();
    EXPECT_FALSE(sf->visible());
    EXPECT_TRUE(status.visible());
    EXPECT_EQ(status.lblStatus, "Status: Done");
    EXPECT_EQ(status.fldBytesProcessed, "No new files");
    EXPECT_TRUE(status.fldStartTime.isEmpty());
    EXPECT_TRUE(status.commandsVisible);
    EXPECT_EQ(env.fs.currentDir(), "c:\\Korvane");
}

TEST_F(SelectFilesTest, HelpTogglesAndXEndsTheProgramWithoutTheExitProcedure) {
    EXPECT_THROW(sf->lblHelpClick(), Error);
    env.fs.writeText("c:\\korvane\\FileSelectionHelp.rtf", "{\\rtf1 Add folders.}");
    sf->lblHelpClick();
    EXPECT_TRUE(sf->memHelpVisible);
    EXPECT_EQ(sf->memHelp.trimmed(), "Add folders.");
    sf->lblHelpClick();
    EXPECT_FALSE(sf->memHelpVisible);

    bool closed = false;
    QObject::connect(&m->greetings(), &Module::closeRequested, [&] { closed = true; });
    sf->lblExitClick();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(m->greetings().exitUnderWay);
}

TEST_F(SelectFilesTest, SettingsCommandOpensTheNarrowSettingsScreen) {
    m->settings().btnWide();
    m->settings().cbChanges = true;
    sf->RzLabel6Click();
    EXPECT_FALSE(sf->visible());
    EXPECT_TRUE(m->settings().visible());
    EXPECT_FALSE(m->settings().wideLayout());
    EXPECT_FALSE(m->settings().cbChanges);
}

}  // namespace
}  // namespace kv
