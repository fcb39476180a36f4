#include "platform/core/errorhandler.h"

#include "platform/core/dialogs.h"
#include "platform/core/error.h"

namespace kv {

bool runReportingErrors(Dialogs& dialogs, const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const Error& e) {
        dialogs.showError(e.message());
    } catch (const std::exception& e) {
        dialogs.showError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

StepRunner errorReportingRunner(Dialogs& dialogs) {
    return [&dialogs](const std::function<void()>& step) { runReportingErrors(dialogs, step); };
}

}  // namespace kv
