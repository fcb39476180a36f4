#include "platform/core/text.h"

namespace kv {

QString squeezeSpaces(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'\t')
            c = u' ';
        if (c == u' ' && out.endsWith(u' '))
            continue;
        out.append(c);
    }
    return out;
}

}  // namespace kv
