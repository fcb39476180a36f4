// A test world for the modules: a home folder mapped as drive c:, a base
// folder c:\korvane holding the empty tables, recording dialogs and shell.
#pragma once

#include "platform/core/dialogs.h"
#include "platform/core/shell.h"
#include "platform/fs/dosfs.h"
#include "shell/modules.h"

#include <QTemporaryDir>
#include <memory>
#include <ostream>

// Readable test failures for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QVariant& v, std::ostream* os) { *os << v.toString().toStdString(); }

namespace kv {

class TestEnv {
public:
    TestEnv();

    // Host path of a DOS path inside the test world.
    QString host(const QString& dosPath) const { return fs.toHost(dosPath); }
    // Creates the modules, as the program does at start-up.
    Modules& start();
    // Ends the program (stored values written) and forgets the modules.
    void stop();
    // Number of records of a table in the base folder.
    int rows(const QString& table) const;

    QTemporaryDir root;
    QString homeHost;   // drive c:
    QString baseFolder = QStringLiteral("c:\\Korvane");
    FileSystem fs;
    RecordingDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<Modules> modules;
};

}  // namespace kv
