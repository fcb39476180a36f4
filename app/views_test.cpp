// The views draw their modules and forward gestures, offscreen.
#include "app/views.h"
#include "collection/tfmselectfiles.h"
#include "index/tfmdoindexing.h"
#include "shell/testenv.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmsettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace kv {
namespace {

class ViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m = &env.start();
        views = std::make_unique<Views>(*m, gate);
    }

    template <typename T>
    T* find(const QString& window, const QString& child) {
        return views->window(window).findChild<T*>(child);
    }

    TestEnv env;
    ActivationGate gate;
    Modules* m = nullptr;
    std::unique_ptr<Views> views;
};

TEST_F(ViewsTest, WindowsFollowTheirModulesAtFirstStart) {
    m->greetings().show();
    m->runStep([&] { m->greetings().activate(); });
    EXPECT_TRUE(env.dialogs.errors.isEmpty());
    EXPECT_TRUE(views->window("TfmGreetings").isVisible());
    EXPECT_TRUE(find<QWidget>("TfmGreetings", "pnlWizard")->isVisible());
    EXPECT_TRUE(views->window("TfmSettings").isVisible());
    EXPECT_TRUE(views->window("TfmDoIndexing").isVisible());
    EXPECT_FALSE(views->window("TfmSelectFiles").isVisible());
}

TEST_F(ViewsTest, EnterInAnEmptyQueryFieldShowsTheMessage) {
    m->greetings().show();
    m->runStep([&] { m->greetings().activate(); });
    m->greetings().lblDoneClick();
    auto* query = find<QLineEdit>("TfmGreetings", "fldSubmitQuery");
    ASSERT_NE(query, nullptr);
    QTest::keyClick(query, Qt::Key_Return);
    EXPECT_EQ(env.dialogs.messages, QStringList{"You did not enter a query"});
}

TEST_F(ViewsTest, ClickingAKindBoxMarksTheSettingsChanged) {
    m->settings().show();
    QCheckBox* word = nullptr;
    for (QCheckBox* box : views->window("TfmSettings").findChildren<QCheckBox*>())
        if (box->text() == "Word")
            word = box;
    ASSERT_NE(word, nullptr);
    word->click();
    EXPECT_TRUE(m->settings().cbWord);
    EXPECT_TRUE(m->settings().cbChanges);
}

TEST_F(ViewsTest, ARepaintDuringIndexFilesShowsTheStatusOfThatMoment) {
    m->greetings().show();
    m->runStep([&] { m->greetings().activate(); });
    auto* status = find<QLabel>("TfmDoIndexing", "lblStatus");
    ASSERT_NE(status, nullptr);
    QStringList seen;
    QObject::connect(&m->doIndexing(), &Module::repaintRequested, [&] { seen << status->text(); });
    m->selectFiles().btnIndexing();
    EXPECT_EQ(seen, QStringList{"Status: Converting..."});
    EXPECT_EQ(status->text(), "Status: Done");
}

TEST_F(ViewsTest, AnErrorInAGestureReachesTheGeneralHandler) {
    m->greetings().show();
    m->runStep([&] { m->greetings().activate(); });
    m->selectFiles().show();
    auto& window = views->window("TfmSelectFiles");
    window.step([&] { m->selectFiles().lblHelpClick(); });
    ASSERT_EQ(env.dialogs.errors.size(), 1);
    EXPECT_TRUE(env.dialogs.errors[0].contains("FileSelectionHelp.rtf"));
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace kv
