// The indexing status window "Converting and Indexing": the counters and the
// status line of an indexing run, and the commands that lead on from it.
// (Adding a text file to the word index joins this module with the indexer.)
#pragma once

#include "platform/core/module.h"
#include "platform/store/table.h"

namespace kv {

class Modules;

class TfmDoIndexing : public Module {
    Q_OBJECT
public:
    explicit TfmDoIndexing(Modules& modules);

    static constexpr int clientWidth = 267;
    static constexpr int clientHeight = 194;

    QString fldBytesProcessed = QStringLiteral("0");
    QString fldFileCount = QStringLiteral("0");
    QString fldCurrent = QStringLiteral("0");
    QString fldStartTime;
    QString fldEndTime;
    QString lblStatus = QStringLiteral("Status");
    // "Queries", "Directories" and "Settings", shown when a run has ended.
    bool commandsVisible = false;

    Table tix{"ix"};

    void lblQueriesClick();
    void lblIndexingClick();  // "Directories"
    void lblSettingsClick();
    void lblTutorialClick();
    void RzLabel1Click();     // "X": the main window's exit procedure

private:
    Modules& m_;
};

}  // namespace kv
