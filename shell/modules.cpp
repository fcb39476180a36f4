#include "shell/modules.h"

#include "collection/tfmselectfiles.h"
#include "index/tfmdoindexing.h"
#include "platform/core/errorhandler.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmscreentester.h"
#include "shell/tfmselectsource.h"
#include "shell/tfmsettings.h"

#include <QDir>

namespace kv {

Modules::Modules(Environment env) : env_(std::move(env)) {
    // The order matters: the settings restore their stored strategy into the
    // directory selection screen, which must exist by then.
    greetings_ = create<TfmGreetings>();
    selectFiles_ = create<TfmSelectFiles>();
    settings_ = create<TfmSettings>();
    doIndexing_ = create<TfmDoIndexing>();
    selectSource_ = create<TfmSelectSource>();
    screenTester_ = create<TfmScreenTester>();
}

Modules::~Modules() = default;

template <typename T>
T* Modules::create() {
    auto module = std::make_unique<T>(*this);
    T* raw = module.get();
    all_.append(raw);
    owned_.push_back(std::move(module));
    return raw;
}

QString Modules::iniFile(const QString& name) const {
    return QDir(env_.programFolder).filePath(name);
}

void Modules::runStep(const std::function<void()>& step) {
    runReportingErrors(env_.dialogs, step);
}

void Modules::storeAll() {
    selectFiles_->storeValues();
    settings_->storeValues();
}

}  // namespace kv
