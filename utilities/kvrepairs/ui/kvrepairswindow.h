// The view of the table repair window: heading, explanation and the two commands
// in three bands.
#pragma once

#include "platform/ui/modulewindow.h"

namespace kv {

class TfmKVRepairs;

class KVRepairsWindow : public ModuleWindow {
    Q_OBJECT
public:
    KVRepairsWindow(TfmKVRepairs& module, StepRunner runner, ActivationGate& gate);

protected:
    void render() override {}
    void paintEvent(QPaintEvent* e) override;

private:
    TfmKVRepairs& m_;
};

}  // namespace kv
