#include "shell/tfmselectsource.h"

#include "collection/tfmselectfiles.h"
#include "platform/core/sortedlist.h"
#include "shell/modules.h"
#include "shell/tfmsettings.h"

#include <QRegularExpression>

namespace kv {

TfmSelectSource::TfmSelectSource(Modules& modules) : Module("TfmSelectSource"), m_(modules) {
    geometry.setSize({panelWidth, panelHeight});
}

void TfmSelectSource::btnLoadExtensions() {
    clExtensions.clear();
    QString mask = m_.selectFiles().fldTypesSelected.toLower();
    static const QRegularExpression notAlnum(QStringLiteral("[^0-9a-z]"));
    mask.replace(notAlnum, QStringLiteral(" "));
    SortedUniqueList sorted;
    sorted.addAll(mask.trimmed().split(u' ', Qt::SkipEmptyParts));
    if (m_.settings().cbOutlook)
        sorted.add(QStringLiteral("Mail"));
    for (const QString& entry : sorted.lines())
        clExtensions.add(entry, true);
    notify();
}

void TfmSelectSource::checkAllClick() {
    clExtensions.setAllChecked(true);
    notify();
}

void TfmSelectSource::uncheckClick() {
    clExtensions.setAllChecked(false);
    notify();
}

void TfmSelectSource::clExtensionsClick(int index) {
    if (index < 0 || index >= clExtensions.size())
        return;
    clExtensions.entries[index].checked = !clExtensions.entries[index].checked;
    notify();
}

}  // namespace kv
