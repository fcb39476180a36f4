// Korvane: the main program.
#include "app/guiplatform.h"
#include "app/views.h"
#include "platform/fs/dosfs.h"
#include "platform/ui/messageboxdialogs.h"
#include "shell/modules.h"
#include "shell/tfmgreetings.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setQuitOnLastWindowClosed(false);

    kv::FileSystem fs(kv::DriveMap::standard());
    kv::ActivationGate gate;
    kv::MessageBoxDialogs dialogs(QStringLiteral("Korvane"), gate);
    kv::DesktopShell shell(fs);
    kv::Modules modules({fs, dialogs, shell, QCoreApplication::applicationDirPath()});
    kv::Views views(modules, gate);

    // Closing the main window ends the program.
    QObject::connect(&modules.greetings(), &kv::Module::closeRequested, &app, &QApplication::quit);
    modules.greetings().show();

    const int code = app.exec();
    modules.runStep([&] { modules.storeAll(); });
    return code;
}
