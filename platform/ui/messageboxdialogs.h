// Message boxes of a Korvane program: QMessageBox under the program's title.
// Closing a box tells the windows that the activation which follows is only
// the focus coming back.
#pragma once

#include "platform/core/dialogs.h"

namespace kv {

class ActivationGate;

class MessageBoxDialogs : public Dialogs {
public:
    MessageBoxDialogs(const QString& title, ActivationGate& gate) : title_(title), gate_(gate) {}
    void showMessage(const QString& text) override;
    void showError(const QString& text) override;

private:
    QString title_;
    ActivationGate& gate_;
};

}  // namespace kv
