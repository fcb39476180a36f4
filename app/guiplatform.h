// The desktop implementation of the shell's "open with the registered program".
#pragma once

#include "platform/core/shell.h"

namespace kv {

class FileSystem;

class DesktopShell : public Shell {
public:
    explicit DesktopShell(const FileSystem& fs) : fs_(fs) {}
    void openDocument(const QString& dosPath) override;
    void openUrl(const QString& url) override;

private:
    const FileSystem& fs_;
};

}  // namespace kv
