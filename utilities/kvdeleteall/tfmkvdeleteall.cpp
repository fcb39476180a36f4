#include "utilities/kvdeleteall/tfmkvdeleteall.h"

#include "platform/core/dialogs.h"
#include "platform/core/errorhandler.h"
#include "platform/core/folders.h"
#include "platform/fs/dosfs.h"


namespace kv {

TfmKVDeleteAll::TfmKVDeleteAll(FileSystem& fs, Dialogs& dialogs)
    : Module(QStringLiteral("TfmKVDeleteAll")), fs_(fs), dialogs_(dialogs) {
    Drive = dosDrive(fs_.currentDir());
    geometry.setSize({clientWidth, clientHeight});
    for (Table* t : {&tOL, &tFiles, &tIx}) t->setExclusive(true);
}

void TfmKVDeleteAll::activate() {
    // One run per start: the focus coming back after a message box is no new start.
    if (started_) return;
    started_ = true;
    // After a failed step the window is out of sight: show the error and end.
    if (!runReportingErrors(dialogs_, [this] { btnClearAll(); }))
        close();
}

void TfmKVDeleteAll::btnClearAll() {
    geometry.moveLeft(hiddenLeft);
    notify();
    repaint();

    const QString folder = fs_.currentDir();
    const QString workFolder = workingFolderOn(Drive);
    const QString hostFolder = fs_.toHost(folder);

    for (Table* t : {&tOL, &tFiles, &tIx}) clearTable(*t, hostFolder);
    tDir.close();
    tDir.setExclusive(true);
    clearTable(tDir, hostFolder);
    tDir.setExclusive(false);

    const QString archive = dosJoin(folder, QStringLiteral("OlArchives.zip"));
    if (fs_.isFile(archive)) fs_.removeFile(archive);
    // A mail folder that still holds files stays.
    const QString mail = dosJoin(folder, QStringLiteral("OLMail"));
    if (fs_.isDir(mail)) fs_.removeFolder(mail);
    if (fs_.isDir(workFolder)) fopDelete(workFolder);

    dialogs_.showMessage(clearedMessage);
    close();
}

void TfmKVDeleteAll::clearTable(Table& t, const QString& hostFolder) {
    t.close();
    t.setDatabaseName(hostFolder);
    // A folder other than the base folder may have no tables at all.
    if (!fs_.isFile(dosJoin(fs_.currentDir(), t.definition().fileName()))) return;
    t.emptyTable();
}

void TfmKVDeleteAll::fopDelete(const QString& folder) {
    // What cannot be deleted is passed over without a message; the folder then stays.
    fs_.removeTree(folder, FileSystem::Leftovers::Keep);
}

}  // namespace kv
