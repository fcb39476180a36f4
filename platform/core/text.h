// Small text rules shared by every part.
#pragma once

#include <QString>

namespace kv {

// Every tab becomes a space, then every run of spaces becomes one space.
// A single leading or trailing space stays; callers trim where they need to.
QString squeezeSpaces(const QString& text);

}  // namespace kv
