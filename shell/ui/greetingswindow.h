// The view of the main window.
#pragma once

#include "platform/ui/modulewindow.h"

class QLineEdit;
class QWidget;

namespace kv {

class CommandLabel;
class TfmGreetings;

class GreetingsWindow : public ModuleWindow {
    Q_OBJECT
public:
    GreetingsWindow(TfmGreetings& module, StepRunner runner, ActivationGate& gate);

protected:
    void render() override;
    void activated() override;
    void closeEvent(QCloseEvent* e) override;

private:
    TfmGreetings& m_;
    QLineEdit* query_;
    QWidget* wizard_;
    CommandLabel* queries_;
    CommandLabel* directories_;
    CommandLabel* submit_;
};

}  // namespace kv
