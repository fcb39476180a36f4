// The message boxes of a maintenance program: QMessageBox under the program's
// own title. Closing a box tells the window that the activation which follows
// is only the focus coming back.
#pragma once

#include "platform/core/dialogs.h"

#include <functional>

namespace kv {

class ActivationGate;

class UtilityDialogs : public Dialogs {
public:
    UtilityDialogs(const QString& title, ActivationGate& gate) : title_(title), gate_(gate) {}
    void showMessage(const QString& text) override;
    void showError(const QString& text) override;

private:
    QString title_;
    ActivationGate& gate_;
};

// The general error handler of a maintenance program's window: runs a step and
// shows the error that ends it; the window stays and waits for the next command.
std::function<void(const std::function<void()>&)> reportingErrorsTo(Dialogs& dialogs);

}  // namespace kv
