// The view of the directory selection screen.
#pragma once

#include "platform/ui/modulewindow.h"

class QComboBox;
class QListWidget;
class QTextEdit;

namespace kv {

class FileSystem;
class TfmSelectFiles;

class SelectFilesWindow : public ModuleWindow {
    Q_OBJECT
public:
    SelectFilesWindow(TfmSelectFiles& module, const QStringList& drives, StepRunner runner,
                      ActivationGate& gate);

protected:
    void render() override;
    void activated() override;

private:
    TfmSelectFiles& m_;
    QComboBox* drive_;
    QListWidget* dirs_;
    QListWidget* directories_;
    QTextEdit* help_;
    QListWidget* files_;
};

}  // namespace kv
