// The main window: takes a query, leads to the settings, the directory
// selection and the query sources, and runs the exit procedure. Its
// activation is where start-up happens (first activation) and where every
// later return to it brings the tables and the screen state up to date.
#pragma once

#include "platform/core/module.h"
#include "platform/store/table.h"

namespace kv {

class Modules;

class TfmGreetings : public Module {
    Q_OBJECT
public:
    explicit TfmGreetings(Modules& modules);

    static constexpr int narrowTextWidth = 320;
    static constexpr int wideTextWidth = 460;
    static constexpr int smallScreenLimit = 900;
    static constexpr int clientWidth = 263;
    static constexpr int clientHeight = 139;

    // Program-wide state.
    QString baseFolder;    // DOS path; empty before the first activation
    QString workFolder;    // drive of the base folder + ":\qorawork"
    QString tutorialPath;
    bool firstActivation = true;
    bool exitUnderWay = false;
    bool smallScreen = false;

    // Controls.
    QString fldSubmitQuery;
    QString drive;          // drive selector: the current drive at creation
    bool cbSmall = false;
    bool pnlWizardVisible = false;
    bool lblDoneVisible = false;        // "Queries"
    bool lblIndexingVisible = false;    // "Directories"
    bool lblSubmitQueryVisible = false; // "Submit Query"

    Table tDir{"Directory"};
    Table tIX{"ix"};

    // The platform calls this each time the window becomes the active one.
    void activate();

    void btnSetDBs();
    void btnSetWorkDir();
    void btnSubmitQuery();
    void btnShowSource();

    // Commands of the window.
    void lblSubmitQueryClick();   // also Enter in the query field
    void lblSelectDirectoryClick();
    void settingsClick();         // "Settings" on the query area and on the wizard panel
    void lblIndexingClick();      // "Directories"
    void lblDoneClick();          // "Queries"
    void lblSourcesClick();
    void lblTutorialClick();
    void lblExitClick();          // the exit procedure

    // Makes the base folder the process's current directory (when known).
    void restoreBaseFolder();
    // The base folder as a host path, for pointing table handles at it.
    QString baseFolderHost() const;
    // The text of one of the base folder's RTF help files; the base folder is
    // made current first. kv::Error when the file cannot be read.
    QString loadHelpFile(const QString& fileName);

private:
    void firstActivationSteps();
    void measureScreen();

    Modules& m_;
};

}  // namespace kv
