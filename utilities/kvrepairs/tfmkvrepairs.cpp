#include "utilities/kvrepairs/tfmkvrepairs.h"

#include "platform/core/dialogs.h"
#include "platform/core/error.h"
#include "platform/fs/dosfs.h"
#include "utilities/kvrepairs/tablerepair.h"

#include <QFileInfo>

namespace kv {

TfmKVRepairs::TfmKVRepairs(FileSystem& fs, Dialogs& dialogs)
    : Module(QStringLiteral("TfmKVRepairs")), dialogs_(dialogs) {
    geometry.setSize({clientWidth, clientHeight});
    const QString folder = fs.toHost(fs.currentDir());
    for (Table* t : {&tQb, &tOL, &tIx, &tFiles, &tDir}) t->setDatabaseName(folder);
}

void TfmKVRepairs::btnRepairClick() {
    QStringList failures;
    QStringList notes;
    for (Table* t : {&tQb, &tOL, &tIx, &tFiles, &tDir}) {
        std::optional<TableRepair> repair;
        try {
            repair = repairTable(t->definition(), t->databaseName());
        } catch (const Error& e) {
            // Every table gets its turn; the failures are reported together below.
            failures.append(e.message());
            continue;
        }
        if (repair && !repair->complete)
            notes.append(QStringLiteral("Table %1 was damaged. The %2 records that could be read "
                                        "were kept; the damaged table is kept beside it as %3.")
                             .arg(repair->tableFile)
                             .arg(repair->records)
                             .arg(QFileInfo(repair->damagedCopy).fileName()));
    }
    if (!failures.isEmpty()) {
        QStringList report = failures;
        report.append(notes);
        report.append(QStringLiteral("The other tables were repaired and optimized."));
        throw Error(report.join(QLatin1Char('\n')));
    }
    for (const QString& note : std::as_const(notes)) dialogs_.showMessage(note);
    dialogs_.showMessage(repairedMessage);
    close();
}

void TfmKVRepairs::lblCancelClick() { close(); }

}  // namespace kv
