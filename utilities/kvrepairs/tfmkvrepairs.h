// The table repair window: a short explanation and two commands. "Repairs" checks,
// repairs and compacts every table of the folder that was current when the program
// started (tablerepair.h); "Cancel" ends the program.
#pragma once

#include "platform/core/module.h"
#include "platform/store/table.h"

namespace kv {

class Dialogs;
class FileSystem;

class TfmKVRepairs : public Module {
    Q_OBJECT
public:
    // The handles are pointed at the current directory.
    TfmKVRepairs(FileSystem& fs, Dialogs& dialogs);

    static constexpr int clientWidth = 296;
    static constexpr int clientHeight = 204;
    static constexpr int headingHeight = 30;
    static constexpr int commandsHeight = 41;
    static inline const QString title = QStringLiteral("Korvane Table Repairs");
    static inline const QString explanation = QStringLiteral(
        "Occasionally tables may cease to function properly. If you have received a message "
        "about this, then just hit the repair button below. If this fails to fix the problem, "
        "then you will need to reinstall Korvane. Normally, repairing the tables should get "
        "things working again. Just restart Korvane.");
    static inline const QString hint = QStringLiteral("Click here to perform table repairs");
    static inline const QString repairedMessage =
        QStringLiteral("Korvane tables repaired and optimized");

    // One handle per table, in the order the tables are repaired.
    Table tQb{"Qb"};
    Table tOL{"oID"};
    Table tIx{"ix"};
    Table tFiles{"Files"};
    Table tDir{"Directory"};

    // "Repairs": repairs every table there is, then reports and closes the window.
    // A table that cannot be repaired is left as it was and the step ends with
    // kv::Error naming each such table; the window stays open.
    void btnRepairClick();
    // "Cancel": closes the window without a word.
    void lblCancelClick();

private:
    Dialogs& dialogs_;
};

}  // namespace kv
