#include "utilities/common/utilitydialogs.h"

#include "platform/core/error.h"
#include "platform/ui/modulewindow.h"

#include <QMessageBox>

namespace kv {

void UtilityDialogs::showMessage(const QString& text) {
    QMessageBox::information(nullptr, title_, text);
    gate_.modalClosed();
}

void UtilityDialogs::showError(const QString& text) {
    QMessageBox::critical(nullptr, title_, text);
    gate_.modalClosed();
}

std::function<void(const std::function<void()>&)> reportingErrorsTo(Dialogs& dialogs) {
    return [&dialogs](const std::function<void()>& step) {
        try {
            step();
        } catch (const Error& e) {
            dialogs.showError(e.message());
        } catch (const std::exception& e) {
            dialogs.showError(QString::fromLocal8Bit(e.what()));
        }
    };
}

}  // namespace kv
