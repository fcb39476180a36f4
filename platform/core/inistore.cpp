#include "platform/core/inistore.h"

#include "platform/core/error.h"

namespace kv {

IniStore::IniStore(const QString& hostFile, const QString& section)
    : settings_(hostFile, QSettings::IniFormat), section_(section) {}

bool IniStore::contains(const QString& name) const {
    return settings_.contains(key(name));
}

QVariant IniStore::value(const QString& name) const {
    return settings_.value(key(name));
}

bool IniStore::boolValue(const QString& name, bool fallback) const {
    return contains(name) ? value(name).toBool() : fallback;
}

int IniStore::intValue(const QString& name, int fallback) const {
    if (!contains(name))
        return fallback;
    bool ok = false;
    const int v = value(name).toInt(&ok);
    return ok ? v : fallback;
}

QString IniStore::textValue(const QString& name, const QString& fallback) const {
    return contains(name) ? value(name).toString() : fallback;
}

void IniStore::setValue(const QString& name, const QVariant& v) {
    settings_.setValue(key(name), v);
}

void IniStore::save() {
    settings_.sync();
    if (settings_.status() != QSettings::NoError)
        throw Error(QStringLiteral("Cannot write the settings file %1").arg(settings_.fileName()));
}

}  // namespace kv
