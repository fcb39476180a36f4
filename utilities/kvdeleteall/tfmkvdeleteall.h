// The re-initialisation program's one module: as soon as its window becomes active
// it empties the file, word index, directory and mail identity tables of the current
// folder, removes the mail archive, the mail folder and the working folder, reports,
// and closes the window, which ends the program.
#pragma once

#include "platform/core/module.h"
#include "platform/store/table.h"

namespace kv {

class Dialogs;
class FileSystem;

class TfmKVDeleteAll : public Module {
    Q_OBJECT
public:
    TfmKVDeleteAll(FileSystem& fs, Dialogs& dialogs);

    static constexpr int clientWidth = 323;
    static constexpr int clientHeight = 154;
    // Where the window goes when it becomes active: out of sight, left of the screen.
    static constexpr int hiddenLeft = -2000;
    static inline const QString title = QStringLiteral("Korvane Re-Initialization");
    static inline const QString clearedMessage =
        QStringLiteral("All directories and tables cleared");

    Table tOL{"oID"};        // exclusive
    Table tFiles{"Files"};   // exclusive
    Table tIx{"ix"};         // exclusive
    Table tDir{"Directory"}; // exclusive only while it is emptied
    QString Drive;           // drive selector: the current drive when the module is created

    // The platform calls this when the window becomes active. The first call runs
    // btnClearAll; an error ends it, is shown, and closes the window, since nothing
    // else could close a window that is out of sight.
    void activate();

    // Clear all. Tables the folder does not have are passed over. A table that cannot
    // be emptied (another program has it open) ends the step with the table engine's
    // kv::Error; the tables before it stay empty and the file and folder steps do not
    // run.
    void btnClearAll();

private:
    void clearTable(Table& t, const QString& hostFolder);
    // The silent shell delete of the working folder: everything that can be deleted,
    // sub-folders included, then the folder itself when nothing is left in it.
    void fopDelete(const QString& folder);

    FileSystem& fs_;
    Dialogs& dialogs_;
    bool started_ = false;
};

}  // namespace kv
