#include "shell/tfmgreetings.h"

#include "collection/tfmselectfiles.h"
#include "index/tfmdoindexing.h"
#include "platform/core/dialogs.h"
#include "platform/core/folders.h"
#include "platform/core/shell.h"
#include "platform/fs/dosfs.h"
#include "platform/rtf/rtfreader.h"
#include "shell/modules.h"
#include "shell/tfmscreentester.h"
#include "shell/tfmselectsource.h"
#include "shell/tfmsettings.h"

namespace kv {

TfmGreetings::TfmGreetings(Modules& modules) : Module("TfmGreetings"), m_(modules) {
    drive = dosDrive(m_.fs().currentDir());
    geometry.setSize({clientWidth, clientHeight});
}

void TfmGreetings::restoreBaseFolder() {
    if (!baseFolder.isEmpty())
        m_.fs().setCurrentDir(baseFolder);
}

QString TfmGreetings::baseFolderHost() const {
    return m_.fs().toHost(baseFolder);
}

QString TfmGreetings::loadHelpFile(const QString& fileName) {
    restoreBaseFolder();
    FileSystem& fs = m_.fs();
    return loadRtfFile(fs.toHost(dosJoin(fs.currentDir(), fileName)));
}

void TfmGreetings::activate() {
    restoreBaseFolder();
    // The document browser's screen reset (btnInitScreen) joins here with the browser.
    if (firstActivation)
        firstActivationSteps();

    const int left = geometry.left();
    measureScreen();
    notify();
    repaint();
    if (m_.screenTester().screenWidth < smallScreenLimit)
        smallScreen = true;
    btnSetDBs();

    lblIndexingVisible = true;
    lblSubmitQueryVisible = true;
    pnlWizardVisible = false;
    if (tDir.databaseName().isEmpty())
        tDir.setDatabaseName(baseFolderHost());
    tDir.open();
    if (tDir.recordCount() == 0) {
        pnlWizardVisible = true;
        lblIndexingVisible = false;
        lblSubmitQueryVisible = false;
    }
    tDir.close();
    notify();

    btnSetWorkDir();
    geometry.moveLeft(left);

    tIX.open();
    const bool kindChosen = m_.settings().anyKindChosen();
    if (tIX.recordCount() == 0 && firstActivation) {
        if (kindChosen) {
            m_.selectFiles().show();
            m_.selectFiles().bringToFront();
        } else {
            m_.settings().show();
            m_.settings().bringToFront();
        }
    } else if (kindChosen) {
        m_.selectFiles().btnIndexing();
    }
    firstActivation = false;
    tIX.close();
    notify();
}

void TfmGreetings::firstActivationSteps() {
    FileSystem& fs = m_.fs();
    baseFolder = fs.currentDir();
    workFolder = workingFolderOn(baseFolder);
    tutorialPath = dosJoin(baseFolder, QStringLiteral("Getting Started With Korvane.htm"));
    // The HTML converter's working-folder field and the mail folder join here.
    if (!fs.isDir(workFolder))
        fs.createFolder(workFolder);
    restoreBaseFolder();

    // The query tables and the result list point at the base folder here.
    m_.selectFiles().tDir.setDatabaseName(baseFolderHost());
    m_.settings().cbChanges = false;
    m_.settings().btnNarrow();
    // The conversion driver's working folder is set here (TfmConv1).
    m_.settings().btnInitKV();
    // The PDF converter learns the base folder here (TfmPDFConvertor).
    m_.doIndexing().show();
    m_.doIndexing().repaint();
    m_.selectSource().btnLoadExtensions();
    // The companion program's marker file, its clip folder and the mail
    // archive are set up here (TfmFindOtherPrograms, TfmArchiving).
    m_.screenTester().show();
    measureScreen();
}

void TfmGreetings::measureScreen() {
    TfmScreenTester& tester = m_.screenTester();
    cbSmall = tester.width < smallScreenLimit;
    tester.hide();
    cbSmall = tester.width < smallScreenLimit;
    // The large-file and mail converters take their line widths from here
    // (narrowTextWidth when cbSmall, else wideTextWidth).
}

void TfmGreetings::btnSetDBs() {
    if (!tIX.databaseName().isEmpty())
        return;
    const QString folder = m_.fs().toHost(m_.fs().currentDir());
    tIX.setDatabaseName(folder);
    m_.doIndexing().tix.setDatabaseName(folder);
    m_.selectFiles().tDir.setDatabaseName(folder);
    // The file scan's handles (TfmSetFiles) are pointed here as well.
}

void TfmGreetings::btnSetWorkDir() {
    const QString key = workingFolderOn(drive);
    tDir.open();
    if (!tDir.findKey(key)) {
        tDir.insert();
        tDir.setField("Directory", key);
        tDir.post();
    }
    tDir.close();
}

void TfmGreetings::lblSubmitQueryClick() {
    m_.selectSource().hide();
    // The document browser's "Not found" box is hidden here.
    btnSubmitQuery();
}

void TfmGreetings::btnSubmitQuery() {
    if (fldSubmitQuery.isEmpty()) {
        m_.dialogs().showMessage(QStringLiteral("You did not enter a query"));
        return;
    }
    // The query processor (TfmQP: fldQuery, btnSubmitQuery,
    // btnPresentFileSelection) and the browser's search list run here.
}

void TfmGreetings::btnShowSource() {
    TfmSelectSource& panel = m_.selectSource();
    panel.hide();
    panel.geometry.moveTo(geometry.left(), geometry.top() + 45);
    panel.show();
    bringToFront();
    const int steps = geometry.width() - 2;
    for (int i = 0; i < steps; ++i) {
        panel.geometry.moveLeft(panel.geometry.left() + 1);
        if (panel.geometry.left() % 20 == 0)
            panel.repaint();
    }
    panel.repaint();
}

void TfmGreetings::lblSelectDirectoryClick() {
    hide();
    m_.selectFiles().show();
}

void TfmGreetings::settingsClick() {
    hide();
    m_.settings().show();
    m_.selectSource().hide();
}

void TfmGreetings::lblIndexingClick() {
    m_.selectSource().hide();
    pnlWizardVisible = true;
    lblSubmitQueryVisible = false;
    lblDoneVisible = true;
    lblIndexingVisible = false;
    lblSelectDirectoryClick();
}

void TfmGreetings::lblDoneClick() {
    m_.selectSource().hide();
    pnlWizardVisible = false;
    lblIndexingVisible = true;
    lblSubmitQueryVisible = true;
    notify();
}

void TfmGreetings::lblSourcesClick() {
    btnShowSource();
}

void TfmGreetings::lblTutorialClick() {
    m_.shell().openDocument(tutorialPath);
}

void TfmGreetings::lblExitClick() {
    // The companion program's clip folders are cleared here (TfmArchiving).
    m_.selectSource().hide();
    m_.settings().btnInitKV();
    if (exitUnderWay)
        close();
    exitUnderWay = true;
    restoreBaseFolder();
    // The Office and mail conversions at exit run here
    // (TfmConversionControl.btnActivateConversions), then the base folder is
    // made current again and the converted files are deleted when the
    // conversion tenure says so (TfmFileKiller).
    restoreBaseFolder();
    close();
}

}  // namespace kv
