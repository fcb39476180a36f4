#include "platform/ui/messageboxdialogs.h"

#include "platform/ui/modulewindow.h"

#include <QMessageBox>

namespace kv {

void MessageBoxDialogs::showMessage(const QString& text) {
    QMessageBox::information(nullptr, title_, text);
    gate_.modalClosed();
}

void MessageBoxDialogs::showError(const QString& text) {
    QMessageBox::critical(nullptr, title_, text);
    gate_.modalClosed();
}

}  // namespace kv
