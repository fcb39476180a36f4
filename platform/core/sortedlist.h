// The "sorted unique lines" list: keeps itself ordered by a comparison that
// ignores letter case in the user's locale and drops every line equal (by that
// comparison) to one it already holds.
#pragma once

#include <QCollator>
#include <QStringList>

namespace kv {

class SortedUniqueList {
public:
    SortedUniqueList();

    // Adds the line at its sorted place; returns false when an equal line is held.
    bool add(const QString& line);
    void addAll(const QStringList& lines);
    bool contains(const QString& line) const;
    void clear() { lines_.clear(); }
    qsizetype size() const { return lines_.size(); }
    const QStringList& lines() const { return lines_; }

private:
    // Position of the first held line not less than `line`.
    qsizetype lowerBound(const QString& line) const;

    QCollator collator_;
    QStringList lines_;
};

}  // namespace kv
