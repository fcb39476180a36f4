// The view of the indexing status window.
#pragma once

#include "platform/ui/modulewindow.h"

class QLabel;
class QLineEdit;

namespace kv {

class CommandLabel;
class TfmDoIndexing;

class DoIndexingWindow : public ModuleWindow {
    Q_OBJECT
public:
    DoIndexingWindow(TfmDoIndexing& module, StepRunner runner, ActivationGate& gate);

protected:
    void render() override;

private:
    TfmDoIndexing& m_;
    QLineEdit* bytes_;
    QLineEdit* fileCount_;
    QLineEdit* current_;
    QLineEdit* start_;
    QLineEdit* end_;
    QLabel* status_;
    QList<CommandLabel*> commands_;
};

}  // namespace kv
