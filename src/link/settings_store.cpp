#include "link/settings_store.h"

#include <QSettings>

namespace {

QSettings open() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvex"),
                     QStringLiteral("CONF"));
}

}  // namespace

QString SettingsStore::keySetting(const QString& key) const {
    QSettings s = open();
    // A value that is not text (a list written by hand, say) reads as empty rather than junk.
    const QVariant v = s.value(QStringLiteral("Startup/") + key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

void SettingsStore::saveKeySetting(const QString& key, const QString& setting) {
    QSettings s = open();
    s.setValue(QStringLiteral("Startup/") + key, setting);
}

PortMap SettingsStore::ports() const {
    QSettings s = open();
    PortMap map;
    s.beginGroup(QStringLiteral("Ports"));
    const QStringList keys = s.childKeys();
    for (const QString& key : keys) {
        const int n = comNumber(key.toUpper());
        const QVariant v = s.value(key);
        if (n != 0 && v.typeId() == QMetaType::QString && !v.toString().trimmed().isEmpty()) {
            map.insert(n, v.toString().trimmed());
        }
    }
    return map;
}

bool SettingsStore::tablesFlag(const QString& key, bool fallback) const {
    return flag(QStringLiteral("Tables/") + key, fallback);
}

bool SettingsStore::flag(const QString& groupAndKey, bool fallback) const {
    const QString v = open().value(groupAndKey).toString().trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("1")) {
        return true;
    }
    return v == QLatin1String("false") || v == QLatin1String("0") ? false : fallback;
}

void SettingsStore::saveFlag(const QString& groupAndKey, bool value) {
    QSettings s = open();
    s.setValue(groupAndKey, value ? QStringLiteral("true") : QStringLiteral("false"));
}

QString SettingsStore::fileName() {
    return open().fileName();
}
