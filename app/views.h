// The windows of the main program, one view per visible module.
#pragma once

#include "platform/ui/modulewindow.h"

#include <memory>
#include <vector>

namespace kv {

class Modules;

class Views {
public:
    Views(Modules& modules, ActivationGate& gate);
    ~Views();

    ModuleWindow& window(const QString& moduleClass) const;

private:
    std::vector<std::unique_ptr<ModuleWindow>> windows_;
};

}  // namespace kv
