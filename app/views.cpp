#include "app/views.h"

#include "collection/tfmselectfiles.h"
#include "collection/ui/selectfileswindow.h"
#include "index/tfmdoindexing.h"
#include "index/ui/doindexingwindow.h"
#include "platform/core/error.h"
#include "platform/fs/dosfs.h"
#include "shell/modules.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmscreentester.h"
#include "shell/tfmselectsource.h"
#include "shell/tfmsettings.h"
#include "shell/ui/greetingswindow.h"
#include "shell/ui/selectsourcewindow.h"
#include "shell/ui/settingswindow.h"

namespace kv {

Views::Views(Modules& modules, ActivationGate& gate) {
    auto run = [&modules](const std::function<void()>& step) { modules.runStep(step); };
    windows_.push_back(std::make_unique<GreetingsWindow>(modules.greetings(), run, gate));
    windows_.push_back(std::make_unique<SelectFilesWindow>(modules.selectFiles(),
                                                           modules.fs().drives(), run, gate));
    windows_.push_back(std::make_unique<SettingsWindow>(modules.settings(), run, gate));
    windows_.push_back(std::make_unique<DoIndexingWindow>(modules.doIndexing(), run, gate));
    windows_.push_back(std::make_unique<SelectSourceWindow>(modules.selectSource(), run, gate));
    windows_.push_back(std::make_unique<ScreenTesterWindow>(modules.screenTester(), run, gate));
}

Views::~Views() = default;

ModuleWindow& Views::window(const QString& moduleClass) const {
    for (const auto& w : windows_)
        if (w->objectName() == moduleClass)
            return *w;
    throw Error(QStringLiteral("No window for %1").arg(moduleClass));
}

}  // namespace kv
