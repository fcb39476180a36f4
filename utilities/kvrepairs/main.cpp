// KVRepairs: checks, repairs and compacts the tables of the current folder.
#include "platform/fs/dosfs.h"
#include "platform/ui/messageboxdialogs.h"
#include "utilities/kvrepairs/tfmkvrepairs.h"
#include "utilities/kvrepairs/ui/kvrepairswindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVRepairs"));
    QApplication::setQuitOnLastWindowClosed(false);

    kv::FileSystem fs(kv::DriveMap::standard());
    kv::ActivationGate gate;
    kv::MessageBoxDialogs dialogs(kv::TfmKVRepairs::title, gate);
    kv::TfmKVRepairs module(fs, dialogs);
    kv::KVRepairsWindow window(module, kv::errorReportingRunner(dialogs), gate);

    QObject::connect(&module, &kv::Module::closeRequested, &app, &QApplication::quit);
    module.show();
    return app.exec();
}
