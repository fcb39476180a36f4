#include "platform/core/sortedlist.h"

#include <algorithm>

namespace kv {

SortedUniqueList::SortedUniqueList() {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

qsizetype SortedUniqueList::lowerBound(const QString& line) const {
    auto it = std::lower_bound(lines_.cbegin(), lines_.cend(), line,
                               [this](const QString& a, const QString& b) {
                                   return collator_.compare(a, b) < 0;
                               });
    return it - lines_.cbegin();
}

bool SortedUniqueList::add(const QString& line) {
    const qsizetype at = lowerBound(line);
    if (at < lines_.size() && collator_.compare(lines_[at], line) == 0)
        return false;
    lines_.insert(at, line);
    return true;
}

void SortedUniqueList::addAll(const QStringList& lines) {
    for (const QString& line : lines)
        add(line);
}

bool SortedUniqueList::contains(const QString& line) const {
    const qsizetype at = lowerBound(line);
    return at < lines_.size() && collator_.compare(lines_[at], line) == 0;
}

}  // namespace kv
