// The stored control values of one module: an ini file beside the program
// ("kvs.ini", "slf.ini", ...) with one section named after the module's class.
// Keys are control and property, as "cbWord.Checked" or "fldTypesSelected.Text".
#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

namespace kv {

class IniStore {
public:
    IniStore(const QString& hostFile, const QString& section);

    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;
    bool boolValue(const QString& key, bool fallback) const;
    int intValue(const QString& key, int fallback) const;
    QString textValue(const QString& key, const QString& fallback) const;

    void setValue(const QString& key, const QVariant& value);
    // Writes pending values to the file; kv::Error when the file cannot be written.
    void save();

private:
    QString key(const QString& name) const { return section_ + u'/' + name; }

    mutable QSettings settings_;
    QString section_;
};

}  // namespace kv
