#include "app/guiplatform.h"

#include "platform/core/error.h"
#include "platform/fs/dosfs.h"

#include <QDesktopServices>
#include <QUrl>

namespace kv {

void DesktopShell::openDocument(const QString& dosPath) {
    if (!fs_.isFile(dosPath))
        throw Error(QStringLiteral("Cannot open %1: the file does not exist.").arg(dosPath));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(fs_.toHost(dosPath))))
        throw Error(QStringLiteral("No program is registered to open %1.").arg(dosPath));
}

void DesktopShell::openUrl(const QString& url) {
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw Error(QStringLiteral("No program is registered to open %1.").arg(url));
}

}  // namespace kv
