// The re-initialisation window: its activation runs the clearing, offscreen.
#include "utilities/kvdeleteall/ui/kvdeleteallwindow.h"

#include "platform/core/dialogs.h"
#include "shell/testenv.h"
#include "utilities/kvdeleteall/tfmkvdeleteall.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(KVDeleteAllWindow, ShowsCentredThenActivationClearsMovesOutOfSightAndCloses) {
    TestEnv env;
    ASSERT_TRUE(env.fs.isDir("c:\\Korvane"));
    env.fs.createFolder("c:\\qorawork\\sub");
    RecordingDialogs dialogs;
    ActivationGate gate;
    TfmKVDeleteAll module(env.fs, dialogs);
    KVDeleteAllWindow window(module, [](const std::function<void()>& step) { step(); }, gate);
    bool outOfSight = false;
    QObject::connect(&module, &Module::changed, [&] {
        if (window.isVisible() && window.x() == -2000) outOfSight = true;
    });

    module.show();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.size(), QSize(323, 154));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.windowTitle(), "Korvane Re-Initialization");
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window.geometry().center() - screenCentre).manhattanLength(), 1);

    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activation);
    QApplication::processEvents();

    EXPECT_TRUE(outOfSight);
    EXPECT_EQ(dialogs.messages, QStringList{"All directories and tables cleared"});
    EXPECT_FALSE(env.fs.exists("c:\\qorawork"));
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace kv
