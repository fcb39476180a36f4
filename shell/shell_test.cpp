#include "collection/tfmselectfiles.h"
#include "index/tfmdoindexing.h"
#include "platform/store/table.h"
#include "platform/core/error.h"
#include "shell/testenv.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmscreentester.h"
#include "shell/tfmselectsource.h"
#include "shell/tfmsettings.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace kv {
namespace {

using Kind = TfmSettings::Kind;

void writeIni(TestEnv& env, const QString& file, const QString& section,
              const QList<QPair<QString, QVariant>>& values) {
    QSettings ini(env.host(env.baseFolder) + "/" + file, QSettings::IniFormat);
    for (const auto& [key, value] : values)
        ini.setValue(section + "/" + key, value);
}

TEST(StartUp, FirstStartWithNothingChosenShowsWizardAndSettings) {
    TestEnv env;
    Modules& m = env.start();
    m.greetings().activate();

    EXPECT_EQ(m.greetings().baseFolder, "c:\\Korvane");
    EXPECT_EQ(m.greetings().workFolder, "c:\\qorawork");
    EXPECT_EQ(m.greetings().tutorialPath, "c:\\Korvane\\Getting Started With Korvane.htm");
    EXPECT_TRUE(m.doIndexing().visible());
    EXPECT_TRUE(m.greetings().pnlWizardVisible);
    EXPECT_FALSE(m.greetings().lblIndexingVisible);
    EXPECT_FALSE(m.greetings().lblSubmitQueryVisible);
    EXPECT_TRUE(m.settings().visible());
    EXPECT_FALSE(m.selectFiles().visible());
    EXPECT_FALSE(m.greetings().firstActivation);

    EXPECT_TRUE(env.fs.isDir("c:\\qorawork"));
    Table dir("Directory");
    dir.setDatabaseName(env.host(env.baseFolder));
    dir.open();
    EXPECT_EQ(dir.recordCount(), 1);
    EXPECT_TRUE(dir.findKey(QString("c:\\qorawork")));
    EXPECT_TRUE(dir.field("Valid").isNull());
    dir.close();
    EXPECT_FALSE(env.fs.exists("c:\\xxkvw.txt"));
    EXPECT_TRUE(env.dialogs.errors.isEmpty());

    // The next activation finds the working folder registered: query state.
    m.greetings().activate();
    EXPECT_FALSE(m.greetings().pnlWizardVisible);
    EXPECT_TRUE(m.greetings().lblSubmitQueryVisible);
    EXPECT_EQ(env.rows("Directory"), 1);
}

TEST(StartUp, FirstStartWithAKindChosenShowsDirectorySelection) {
    TestEnv env;
    writeIni(env, "kvs.ini", "TfmSettings", {{"cbWord.Checked", true}});
    Modules& m = env.start();
    EXPECT_TRUE(m.settings().cbChanges);  // the restored box ran its click
    m.greetings().activate();
    EXPECT_FALSE(m.settings().cbChanges);
    EXPECT_TRUE(m.selectFiles().visible());
    EXPECT_FALSE(m.settings().visible());
    EXPECT_EQ(m.selectFiles().fldTypesSelected, ";*.doc");
    // No indexing run on the first activation.
    EXPECT_EQ(m.doIndexing().lblStatus, "Status");
}

TEST(StartUp, LaterActivationsRunIndexFilesOnlyWhenAKindIsChosen) {
    TestEnv env;
    Modules& m = env.start();
    m.greetings().activate();
    m.greetings().activate();
    EXPECT_EQ(m.doIndexing().lblStatus, "Status");

    m.settings().setOtherExtensions("wpd");
    m.greetings().activate();
    EXPECT_EQ(m.doIndexing().lblStatus, "Status: Done");
    EXPECT_EQ(m.doIndexing().fldBytesProcessed, "No new files");
    EXPECT_TRUE(m.doIndexing().commandsVisible);
}

TEST(StartUp, AMissingTableEndsActivationWithTheEnginesError) {
    TestEnv env;
    QFile::remove(env.host("c:\\korvane\\Directory.DAT"));
    Modules& m = env.start();
    m.runStep([&] { m.greetings().activate(); });
    ASSERT_EQ(env.dialogs.errors.size(), 1);
    EXPECT_TRUE(env.dialogs.errors[0].contains("Directory.DAT")) << env.dialogs.errors[0].toStdString();
    EXPECT_FALSE(QFile::exists(env.host("c:\\korvane\\Directory.DAT")));
}

TEST(StartUp, ScreenNarrowerThan900IsSmall) {
    const struct {
        int width;
        bool small;
    } cases[] = {{899, true}, {900, false}};
    for (const auto& c : cases) {
        TestEnv env;
        Modules& m = env.start();
        m.screenTester().width = c.width;
        m.screenTester().screenWidth = c.width;
        m.greetings().activate();
        EXPECT_EQ(m.greetings().cbSmall, c.small) << c.width;
        EXPECT_EQ(m.greetings().smallScreen, c.small) << c.width;
        EXPECT_FALSE(m.screenTester().visible());
    }
}

TEST(MainWindow, EmptyQueryIsRejectedAndSpacesAreNot) {
    TestEnv env;
    Modules& m = env.start();
    m.greetings().activate();
    m.greetings().lblSubmitQueryClick();
    EXPECT_EQ(env.dialogs.messages, QStringList{"You did not enter a query"});
    m.greetings().fldSubmitQuery = "  ";
    m.greetings().lblSubmitQueryClick();
    EXPECT_EQ(env.dialogs.messages.size(), 1);
}

TEST(MainWindow, DirectoriesAndQueriesSwitchStates) {
    TestEnv env;
    Modules& m = env.start();
    m.greetings().activate();
    m.greetings().activate();
    TfmGreetings& g = m.greetings();
    g.show();
    g.lblIndexingClick();
    EXPECT_TRUE(g.pnlWizardVisible);
    EXPECT_TRUE(g.lblDoneVisible);
    EXPECT_FALSE(g.lblIndexingVisible);
    EXPECT_FALSE(g.lblSubmitQueryVisible);
    EXPECT_FALSE(g.visible());
    EXPECT_TRUE(m.selectFiles().visible());
    g.lblDoneClick();
    EXPECT_FALSE(g.pnlWizardVisible);
    EXPECT_TRUE(g.lblIndexingVisible);
    EXPECT_TRUE(g.lblSubmitQueryVisible);
}

TEST(MainWindow, SourcesPanelSlidesOutToTheRightEdge) {
    TestEnv env;
    Modules& m = env.start();
    TfmGreetings& g = m.greetings();
    g.geometry = QRect(100, 200, 263, 139);
    int repaints = 0;
    QObject::connect(&m.selectSource(), &Module::repaintRequested, [&] { ++repaints; });
    g.lblSourcesClick();
    EXPECT_TRUE(m.selectSource().visible());
    EXPECT_EQ(m.selectSource().geometry.top(), 245);
    EXPECT_EQ(m.selectSource().geometry.left(), 100 + 263 - 2);
    // Every 20th pixel between 101 and 361, and once at the end.
    EXPECT_EQ(repaints, 13 + 1);
    g.settingsClick();
    EXPECT_FALSE(m.selectSource().visible());
}

TEST(MainWindow, ExitConfirmsSettingsAndClosesTheMainWindow) {
    TestEnv env;
    Modules& m = env.start();
    m.greetings().activate();
    bool closed = false;
    QObject::connect(&m.greetings(), &Module::closeRequested, [&] { closed = true; });
    m.settings().kindClick(Kind::PDF);
    m.greetings().lblExitClick();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(m.greetings().exitUnderWay);
    EXPECT_EQ(m.selectFiles().fldTypesSelected, ";*.pdf");
}

TEST(Settings, MaskFollowsTheBoxesAndOtherExtensions) {
    const struct {
        QList<Kind> boxes;
        QString other;
        QString mask;
        QStringList sources;
    } cases[] = {
        {{}, "", "", {}},
        {{Kind::Word, Kind::PDF}, "wpd", ";*.doc;*.pdf;*.wpd", {"doc", "pdf", "wpd"}},
        {{Kind::PDF, Kind::Word, Kind::RichText, Kind::HTML, Kind::Text, Kind::Excel, Kind::PowerPoint},
         "",
         ";*.doc;*.rtf;*.htm;*.txt;*.xls;*.ppt;*.pdf",
         {"doc", "htm", "pdf", "ppt", "rtf", "txt", "xls"}},
        {{}, "wpd, wps", ";*.wpd;*.wps", {"wpd", "wps"}},
        {{}, "mp3", ";*.mp", {"mp"}},
        {{}, "123 ,;", "", {}},
        {{Kind::Outlook}, "", "", {"Mail"}},
        {{Kind::Text, Kind::Outlook}, "WPD", ";*.txt;*.wpd", {"Mail", "txt", "wpd"}},
    };
    for (const auto& c : cases) {
        TestEnv env;
        Modules& m = env.start();
        for (Kind k : c.boxes)
            m.settings().kindClick(k);
        m.settings().setOtherExtensions(c.other);
        m.settings().btnInitKV();
        m.selectSource().btnLoadExtensions();
        EXPECT_EQ(m.selectFiles().fldTypesSelected, c.mask) << c.other.toStdString();
        EXPECT_EQ(m.selectSource().clExtensions.texts(), c.sources) << c.mask.toStdString();
        EXPECT_EQ(m.selectSource().clExtensions.checkedTexts(), c.sources);
        EXPECT_EQ(m.settings().anyKindChosen(), !c.boxes.isEmpty() || !c.other.isEmpty());
    }
}

TEST(Settings, ChangedMarkComesFromClicksNotTyping) {
    TestEnv env;
    Modules& m = env.start();
    TfmSettings& s = m.settings();
    EXPECT_FALSE(s.cbChanges);
    s.setOtherExtensions("wpd");
    EXPECT_FALSE(s.cbChanges);
    s.fldOtherExtensionsClick();
    EXPECT_TRUE(s.cbChanges);
    s.activate();
    EXPECT_FALSE(s.cbChanges);
    s.rgConversionStatusClick(1);
    EXPECT_TRUE(s.cbChanges);
}

TEST(Settings, ValuesPersistAndTheRestoredStrategyReachesDirectorySelection) {
    TestEnv env;
    {
        Modules& m = env.start();
        EXPECT_EQ(m.settings().rgConversionStatus, 0);
        EXPECT_EQ(m.settings().rgIndexWhat, 0);
        EXPECT_EQ(m.selectFiles().fldTypesSelected, "fldTypesSelected");
        m.greetings().activate();
        m.settings().kindClick(Kind::Word);
        m.settings().kindClick(Kind::Outlook);
        m.settings().setOtherExtensions("wpd");
        m.settings().rgConversionStatusClick(1);
        m.settings().rgIndexWhatClick(1);
        m.settings().lblDoneClick();
        env.stop();
    }
    Modules& m = env.start();
    TfmSettings& s = m.settings();
    EXPECT_TRUE(s.cbWord);
    EXPECT_TRUE(s.cbOutlook);
    EXPECT_FALSE(s.cbPDF);
    EXPECT_EQ(s.fldOtherExtensions, "wpd");
    EXPECT_EQ(s.rgConversionStatus, 1);
    EXPECT_EQ(s.rgIndexWhat, 1);
    EXPECT_EQ(m.selectFiles().rgIndex, 1);
    EXPECT_EQ(m.selectFiles().fldTypesSelected, ";*.doc;*.wpd");
    EXPECT_TRUE(s.cbChanges);
}

TEST(Settings, DoneRunsIndexingOnlyWhenSomethingChanged) {
    TestEnv env;
    Modules& m = env.start();
    m.greetings().activate();
    TfmSettings& s = m.settings();
    s.activate();
    s.lblDoneClick();
    EXPECT_TRUE(m.greetings().visible());
    EXPECT_FALSE(m.doIndexing().visible());
    EXPECT_EQ(m.doIndexing().lblStatus, "Status");

    s.show();
    s.activate();
    s.kindClick(Kind::Text);
    s.lblDoneClick();
    EXPECT_FALSE(s.visible());
    EXPECT_TRUE(m.doIndexing().visible());
    EXPECT_EQ(m.doIndexing().lblStatus, "Status: Done");
    EXPECT_EQ(m.selectSource().clExtensions.texts(), QStringList{"txt"});
}

TEST(Settings, HelpTogglesTheLayoutAndAMissingFileChangesNothing) {
    TestEnv env;
    Modules& m = env.start();
    m.greetings().activate();
    TfmSettings& s = m.settings();
    EXPECT_THROW(s.lblQuestionClick(), Error);
    EXPECT_FALSE(s.wideLayout());

    env.fs.writeText("c:\\korvane\\KorvaneSettings.rtf", "{\\rtf1 Choose the kinds.\\par}");
    s.lblQuestionClick();
    EXPECT_TRUE(s.wideLayout());
    EXPECT_TRUE(s.pnlHelpVisible);
    EXPECT_EQ(s.geometry.width(), 725);
    EXPECT_TRUE(s.memHelp.startsWith("Choose the kinds."));
    s.lblQuestionClick();
    EXPECT_FALSE(s.wideLayout());
    EXPECT_FALSE(s.pnlHelpVisible);
    EXPECT_EQ(s.geometry.width(), m.greetings().geometry.width());
}

}  // namespace
}  // namespace kv
