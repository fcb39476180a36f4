// The state of a check-list control: entries with a check mark each, and the
// selected entry (-1 when none).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kv {

struct CheckList {
    struct Entry {
        QString text;
        bool checked = false;
        bool operator==(const Entry&) const = default;
    };

    QList<Entry> entries;
    int selected = -1;

    // Appends an entry and returns its index.
    int add(const QString& text, bool checked = false);
    void clear();
    void removeAt(int index);
    // Index of the entry whose text equals `text` exactly, or -1.
    int indexOf(const QString& text) const;
    void setAllChecked(bool checked);
    QStringList texts() const;
    QStringList checkedTexts() const;
    int size() const { return int(entries.size()); }
};

}  // namespace kv
