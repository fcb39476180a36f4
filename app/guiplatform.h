// The desktop implementations of the modules' edges: message boxes and the
// shell's "open with the registered program".
#pragma once

#include "platform/core/dialogs.h"
#include "platform/core/shell.h"

namespace kv {

class ActivationGate;
class FileSystem;

class MessageBoxDialogs : public Dialogs {
public:
    explicit MessageBoxDialogs(ActivationGate& gate) : gate_(gate) {}
    void showMessage(const QString& text) override;
    void showError(const QString& text) override;

private:
    ActivationGate& gate_;
};

class DesktopShell : public Shell {
public:
    explicit DesktopShell(const FileSystem& fs) : fs_(fs) {}
    void openDocument(const QString& dosPath) override;
    void openUrl(const QString& url) override;

private:
    const FileSystem& fs_;
};

}  // namespace kv
