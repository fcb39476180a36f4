#include "utilities/kvdeleteall/ui/kvdeleteallwindow.h"

#include "utilities/kvdeleteall/tfmkvdeleteall.h"

namespace kv {

KVDeleteAllWindow::KVDeleteAllWindow(TfmKVDeleteAll& module, StepRunner runner,
                                     ActivationGate& gate)
    : ModuleWindow(module, std::move(runner), gate), m_(module) {
    setObjectName(QStringLiteral("TfmKVDeleteAll"));
    setWindowTitle(TfmKVDeleteAll::title);
    setFixedSize(TfmKVDeleteAll::clientWidth, TfmKVDeleteAll::clientHeight);
}

void KVDeleteAllWindow::activated() { m_.activate(); }

}  // namespace kv
