// The directory selection screen (the "Control Center"): the folders whose
// documents are indexed, kept in Directory.DAT, and the entry of every
// indexing run ("Index Files").
#pragma once

#include "platform/core/checklist.h"
#include "platform/core/inistore.h"
#include "platform/core/module.h"
#include "platform/store/table.h"

#include <QStringList>

namespace kv {

class Modules;

class TfmSelectFiles : public Module {
    Q_OBJECT
public:
    explicit TfmSelectFiles(Modules& modules);

    static constexpr int windowWidth = 712;
    static constexpr int windowHeight = 531;

    // Hidden worker controls.
    QString fldTypesSelected = QStringLiteral("fldTypesSelected");  // the file mask
    int rgIndex = 0;  // indexing strategy: 0 "New", 1 "New and changed"
    Table tDir{"Directory"};

    // Visible controls.
    QString drive;              // Drive: the drive shown in Dirs
    QString dirs;               // Dirs: the folder the user looks at
    // Dirs as a tree: the folders from the drive's root down to `dirs` (open),
    // then the sub-folders of `dirs` one level deeper.
    struct FolderEntry {
        QString path;
        QString name;  // the last component; a drive root shows its path
        int depth = 0;
        bool open = false;
    };
    QList<FolderEntry> dirsTree;
    QString filesMask;          // the mask of the file list
    QStringList files;          // Files: the names in `dirs` that match the mask
    CheckList cblDirectories;
    QString memHelp;
    bool memHelpVisible = false;

    // The platform calls this each time the screen becomes active.
    void activate();

    // Gestures.
    void driveChange(const QString& newDrive);
    void dirsChange(const QString& folder);  // also a double-click in the tree
    void squashAddDirectoryClick();
    void squashClearListClick();
    void squashShowTargetsClick();
    void squashShowAllClick();
    void cblDirectoriesClick(int index);
    void cblDirectoriesDblClick();
    void filesDblClick(const QString& name);
    void lblDoneClick();
    void RzLabel6Click();  // "Settings"
    void lblHelpClick();
    void lblExitClick();   // "X": ends the program without the exit procedure
    void lblTutorialClick();

    // Steps.
    void btnAddDirectory();
    void btnConfirmDirectories();
    void btnClearDirectories();
    void btnShowAll();
    void btnUpdateUserValidation();
    void btnValidateDirectories();
    void btnLoadMask();
    void btnIndexing();

    void storeValues();

protected:
    void onClose() override { storeValues(); }

private:
    void showFolders(bool validOnly);
    void readFolder();
    void pointAtBaseFolder();

    Modules& m_;
    IniStore ini_;
};

}  // namespace kv
