#pragma once

#include <QString>

#include "link/port_map.h"

// The per-user settings: application CONF, group Startup, text values; an absent key reads as
// the empty text. The port map's own group Ports lives in the same file.
class SettingsStore {
  public:
    QString keySetting(const QString& key) const;
    void saveKeySetting(const QString& key, const QString& setting);
    // Tables/<key> as true or false; anything else (absent included) gives `fallback`.
    bool tablesFlag(const QString& key, bool fallback) const;
    // "Group/key" as true or false, the same way; saved as true or false.
    bool flag(const QString& groupAndKey, bool fallback) const;
    void saveFlag(const QString& groupAndKey, bool value);
    // Ports/COMn = device path; entries that are not COM1..COM9 are ignored.
    PortMap ports() const;
    // The file behind the store (for the README and diagnostics).
    static QString fileName();
};
