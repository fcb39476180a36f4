#include "index/tfmdoindexing.h"

#include "collection/tfmselectfiles.h"
#include "shell/modules.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmsettings.h"

namespace kv {

TfmDoIndexing::TfmDoIndexing(Modules& modules) : Module("TfmDoIndexing"), m_(modules) {
    geometry.setSize({clientWidth, clientHeight});
}

void TfmDoIndexing::lblQueriesClick() {
    hide();
    m_.greetings().show();
    close();
}

void TfmDoIndexing::lblIndexingClick() {
    m_.selectFiles().show();
}

void TfmDoIndexing::lblSettingsClick() {
    m_.greetings().hide();
    hide();
    m_.settings().show();
}

void TfmDoIndexing::lblTutorialClick() {
    m_.greetings().lblTutorialClick();
}

void TfmDoIndexing::RzLabel1Click() {
    m_.greetings().lblExitClick();
}

}  // namespace kv
