// Where Korvane keeps its converted texts.
#pragma once

#include <QString>

namespace kv {

// The working folder on the drive of a path or drive letter: its first
// character, then ":\qorawork", all in lower case ("D:\Korvane" gives
// "d:\qorawork").
inline QString workingFolderOn(const QString& pathOrDrive) {
    return (pathOrDrive.left(1) + QStringLiteral(":\\qorawork")).toLower();
}

}  // namespace kv
