// KVDeleteAll: returns Korvane to its installed state, working on the tables and
// folders of the current folder.
#include "platform/fs/dosfs.h"
#include "platform/ui/messageboxdialogs.h"
#include "utilities/kvdeleteall/tfmkvdeleteall.h"
#include "utilities/kvdeleteall/ui/kvdeleteallwindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVDeleteAll"));
    QApplication::setQuitOnLastWindowClosed(false);

    kv::FileSystem fs(kv::DriveMap::standard());
    kv::ActivationGate gate;
    kv::MessageBoxDialogs dialogs(kv::TfmKVDeleteAll::title, gate);
    kv::TfmKVDeleteAll module(fs, dialogs);
    // The module reports its own errors and then closes: its activation is the only step.
    kv::KVDeleteAllWindow window(
        module, [](const std::function<void()>& step) { step(); }, gate);

    QObject::connect(&module, &kv::Module::closeRequested, &app, &QApplication::quit);
    module.show();
    return app.exec();
}
