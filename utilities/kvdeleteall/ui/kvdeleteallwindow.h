// The view of the re-initialisation program: an empty borderless window whose
// activation starts the clearing.
#pragma once

#include "platform/ui/modulewindow.h"

namespace kv {

class TfmKVDeleteAll;

class KVDeleteAllWindow : public ModuleWindow {
    Q_OBJECT
public:
    KVDeleteAllWindow(TfmKVDeleteAll& module, StepRunner runner, ActivationGate& gate);

protected:
    void render() override {}
    void activated() override;

private:
    TfmKVDeleteAll& m_;
};

}  // namespace kv
