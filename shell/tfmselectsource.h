// The query-sources panel that slides out of the main window: one entry per
// collected kind of file (and "Mail"); checked kinds may appear in results.
#pragma once

#include "platform/core/checklist.h"
#include "platform/core/module.h"

namespace kv {

class Modules;

class TfmSelectSource : public Module {
    Q_OBJECT
public:
    explicit TfmSelectSource(Modules& modules);

    static constexpr int panelWidth = 186;
    static constexpr int panelHeight = 96;

    CheckList clExtensions;  // kept sorted without regard to case

    void btnLoadExtensions();
    void checkAllClick();
    void uncheckClick();
    void clExtensionsClick(int index);

private:
    Modules& m_;
};

}  // namespace kv
