// The view of the query-sources panel.
#pragma once

#include "platform/ui/modulewindow.h"

class QListWidget;

namespace kv {

class TfmSelectSource;

class SelectSourceWindow : public ModuleWindow {
    Q_OBJECT
public:
    SelectSourceWindow(TfmSelectSource& module, StepRunner runner, ActivationGate& gate);

protected:
    void render() override;

private:
    TfmSelectSource& m_;
    QListWidget* list_;
};

// The maximised, transparent window that measures the usable screen width.
class TfmScreenTester;

class ScreenTesterWindow : public ModuleWindow {
    Q_OBJECT
public:
    ScreenTesterWindow(TfmScreenTester& module, StepRunner runner, ActivationGate& gate);

protected:
    void render() override;
    void showEvent(QShowEvent* e) override;

private:
    void measure();
    TfmScreenTester& m_;
};

}  // namespace kv
