#include "platform/core/checklist.h"

namespace kv {

int CheckList::add(const QString& text, bool checked) {
    entries.append({text, checked});
    return int(entries.size()) - 1;
}

void CheckList::clear() {
    entries.clear();
    selected = -1;
}

void CheckList::removeAt(int index) {
    if (index < 0 || index >= entries.size())
        return;
    entries.removeAt(index);
    if (selected >= entries.size())
        selected = int(entries.size()) - 1;
}

int CheckList::indexOf(const QString& text) const {
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].text == text)
            return i;
    return -1;
}

void CheckList::setAllChecked(bool checked) {
    for (Entry& e : entries)
        e.checked = checked;
}

QStringList CheckList::texts() const {
    QStringList out;
    for (const Entry& e : entries)
        out << e.text;
    return out;
}

QStringList CheckList::checkedTexts() const {
    QStringList out;
    for (const Entry& e : entries)
        if (e.checked)
            out << e.text;
    return out;
}

}  // namespace kv
