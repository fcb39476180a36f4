#include "collection/tfmselectfiles.h"

#include "index/tfmdoindexing.h"
#include "platform/core/shell.h"
#include "platform/fs/dosfs.h"
#include "shell/modules.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmsettings.h"

namespace kv {
namespace {

const QString kMaskKey = QStringLiteral("fldTypesSelected.Text");

}  // namespace

TfmSelectFiles::TfmSelectFiles(Modules& modules)
    : Module("TfmSelectFiles"), m_(modules), ini_(modules.iniFile("slf.ini"), "TfmSelectFiles") {
    geometry.setSize({windowWidth, windowHeight});
    tDir.setFilter(QStringLiteral("Valid"));
    fldTypesSelected = ini_.textValue(kMaskKey, fldTypesSelected);
    dirs = m_.fs().currentDir();
    drive = dosDrive(dirs);
}

void TfmSelectFiles::storeValues() {
    ini_.setValue(kMaskKey, fldTypesSelected);
    ini_.save();
}

void TfmSelectFiles::pointAtBaseFolder() {
    tDir.close();
    tDir.setDatabaseName(m_.greetings().baseFolderHost());
}

void TfmSelectFiles::activate() {
    pointAtBaseFolder();
    btnLoadMask();
    // The conversion driver's working folder is refreshed here (TfmConv1).
    cblDirectories.clear();
    memHelpVisible = false;
    notify();
}

void TfmSelectFiles::readFolder() {
    FileSystem& fs = m_.fs();
    QStringList chain;
    // The folders from the drive's root down to the one in view.
    for (QString f = dirs; !f.isEmpty(); f = dosFolderPart(f)) {
        chain.prepend(f);
        if (dosFolderPart(f) == f)
            break;
    }
    dirsTree.clear();
    for (const QString& folder : chain) {
        const QString name = dosFileName(folder);
        dirsTree.append({folder, name.isEmpty() ? folder : name, int(dirsTree.size()), true});
    }
    if (fs.isDir(dirs)) {
        const int depth = int(chain.size());
        for (const QString& sub : fs.listFolders(dirs))
            dirsTree.append({dosJoin(dirs, sub), sub, depth, false});
        files = fs.listFiles(dirs, filesMask);
    } else {
        files.clear();
    }
    notify();
}

void TfmSelectFiles::driveChange(const QString& newDrive) {
    drive = newDrive.left(2).toLower();
    dirsChange(drive + u'\\');
}

void TfmSelectFiles::dirsChange(const QString& folder) {
    // The folder list makes the folder it shows the current directory.
    m_.fs().setCurrentDir(folder);
    dirs = m_.fs().currentDir();
    drive = dosDrive(dirs);
    memHelpVisible = false;
    btnLoadMask();
}

void TfmSelectFiles::btnLoadMask() {
    filesMask = fldTypesSelected;
    readFolder();
}

void TfmSelectFiles::squashAddDirectoryClick() {
    btnAddDirectory();
    btnConfirmDirectories();
}

void TfmSelectFiles::btnAddDirectory() {
    memHelpVisible = false;
    if (dirs.isEmpty()) {
        notify();
        return;
    }
    cblDirectories.add(dirs, true);
    notify();
}

void TfmSelectFiles::btnConfirmDirectories() {
    tDir.open();
    for (const CheckList::Entry& entry : cblDirectories.entries) {
        const QString key = entry.text.toLower();
        if (!tDir.findKey(key)) {
            tDir.insert();
            tDir.setField("Directory", key);
            tDir.post();
        }
    }
    tDir.close();
}

void TfmSelectFiles::squashClearListClick() {
    btnClearDirectories();
}

void TfmSelectFiles::btnClearDirectories() {
    cblDirectories.clear();
    notify();
}

void TfmSelectFiles::btnValidateDirectories() {
    pointAtBaseFolder();
    tDir.setFiltered(false);
    tDir.open();
    tDir.first();
    if (tDir.eof()) {
        tDir.setFiltered(true);
        tDir.close();
        return;
    }
    FileSystem& fs = m_.fs();
    while (!tDir.eof()) {
        const QString folder = tDir.field("Directory").toString();
        const QVariant valid = tDir.field("Valid");
        const bool exists = fs.isDir(folder);
        // A folder once set invalid stays so until the user checks it again.
        const bool newValid = exists ? (valid.isNull() || valid.toBool()) : false;
        if (valid.isNull() || valid.toBool() != newValid) {
            tDir.edit();
            tDir.setField("Valid", newValid);
            tDir.post();
        }
        tDir.next();
    }
    tDir.setFiltered(true);
    tDir.close();
}

void TfmSelectFiles::cblDirectoriesClick(int index) {
    if (index < 0 || index >= cblDirectories.size())
        return;
    cblDirectories.selected = index;
    cblDirectories.entries[index].checked = !cblDirectories.entries[index].checked;
    notify();
}

void TfmSelectFiles::cblDirectoriesDblClick() {
    const int at = cblDirectories.selected;
    const QString text = at >= 0 && at < cblDirectories.size() ? cblDirectories.entries[at].text
                                                                : QString();
    cblDirectories.removeAt(at);
    if (cblDirectories.selected == at || cblDirectories.selected >= cblDirectories.size())
        cblDirectories.selected = -1;
    notify();
    if (text.isEmpty())
        return;
    const bool wasOpen = tDir.isOpen();
    if (!wasOpen)
        tDir.open();
    if (tDir.findKey(text.toLower()))
        tDir.deleteRecord();
    if (!wasOpen)
        tDir.close();
}

void TfmSelectFiles::btnUpdateUserValidation() {
    tDir.close();
    tDir.setFiltered(false);
    tDir.open();
    for (const CheckList::Entry& entry : cblDirectories.entries) {
        if (tDir.findKey(entry.text.toLower())) {
            tDir.edit();
            tDir.setField("Valid", entry.checked);
            tDir.post();
        }
    }
    tDir.close();
    tDir.open();
    cblDirectories.clear();
}

void TfmSelectFiles::showFolders(bool validOnly) {
    btnUpdateUserValidation();
    tDir.close();
    tDir.setFiltered(validOnly);
    btnShowAll();
}

void TfmSelectFiles::squashShowAllClick() {
    showFolders(false);
}

void TfmSelectFiles::squashShowTargetsClick() {
    showFolders(true);
}

void TfmSelectFiles::btnShowAll() {
    if (!tDir.isOpen())
        tDir.open();
    tDir.first();
    cblDirectories.clear();
    for (; !tDir.eof(); tDir.next()) {
        const QString folder = tDir.field("Directory").toString();
        if (visible() && folder.contains(QStringLiteral("qora")))
            continue;
        cblDirectories.add(folder);
    }
    for (tDir.first(); !tDir.eof(); tDir.next()) {
        const int at = cblDirectories.indexOf(tDir.field("Directory").toString());
        if (at >= 0)
            cblDirectories.entries[at].checked = tDir.field("Valid").toBool();
    }
    notify();
}

void TfmSelectFiles::filesDblClick(const QString& name) {
    m_.shell().openDocument(dosJoin(dirs, name));
}

void TfmSelectFiles::lblDoneClick() {
    m_.greetings().restoreBaseFolder();
    hide();
    m_.doIndexing().show();
    btnIndexing();
    close();
}

void TfmSelectFiles::RzLabel6Click() {
    TfmSettings& settings = m_.settings();
    settings.btnNarrow();
    settings.show();
    hide();
    settings.cbChanges = false;
    settings.notify();
}

void TfmSelectFiles::lblHelpClick() {
    memHelp = m_.greetings().loadHelpFile(QStringLiteral("FileSelectionHelp.rtf"));
    memHelpVisible = !memHelpVisible;
    notify();
}

void TfmSelectFiles::lblExitClick() {
    m_.greetings().close();
}

void TfmSelectFiles::lblTutorialClick() {
    m_.greetings().lblTutorialClick();
}

void TfmSelectFiles::btnIndexing() {
    TfmDoIndexing& status = m_.doIndexing();
    hide();
    status.lblStatus = QStringLiteral("Status: Converting...");
    status.repaint();
    status.fldBytesProcessed = QStringLiteral("0");
    status.fldStartTime.clear();
    status.fldEndTime.clear();
    status.fldBytesProcessed = QStringLiteral("No new files");
    status.notify();
    tDir.close();
    // The file scan runs here: the mask goes to TfmSetFiles.fldMask and its
    // btnAnalyzeEligibility scans, converts and indexes by the strategy.
    tDir.close();
    status.lblStatus = QStringLiteral("Status: Done");
    status.commandsVisible = true;
    status.notify();
}

}  // namespace kv
