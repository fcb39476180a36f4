#include "shell/testenv.h"

#include "platform/store/table.h"

#include <QDir>

namespace kv {
namespace {

DriveMap testDrives(const QString& home) {
    QDir().mkpath(home);
    DriveMap map;
    map.roots.insert(u'c', home);
    return map;
}

}  // namespace

TestEnv::TestEnv()
    : homeHost(root.filePath("home")), fs(testDrives(homeHost)) {
    QDir(homeHost).mkpath("Korvane");
    createTables(host(baseFolder));
    fs.setCurrentDir(baseFolder);
}

Modules& TestEnv::start() {
    fs.setCurrentDir(baseFolder);
    modules = std::make_unique<Modules>(Environment{fs, dialogs, shell, host(baseFolder)});
    return *modules;
}

void TestEnv::stop() {
    modules->storeAll();
    modules.reset();
}

int TestEnv::rows(const QString& table) const {
    Table t(table);
    t.setDatabaseName(host(baseFolder));
    t.open();
    const int n = t.recordCount();
    t.close();
    return n;
}

}  // namespace kv
