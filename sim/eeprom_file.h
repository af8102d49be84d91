#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The simulated unit's EEPROM kept between runs: the raw 513 bytes, nothing else.
class EepromFile {
  public:
    // nullopt with an empty error when the file does not exist yet (a new unit), with a message
    // when it cannot be read or has the wrong size.
    static std::optional<QByteArray> read(const QString& path, QString* error);
    // Written through a temporary file and renamed, so a reader never sees half an EEPROM.
    static bool write(const QString& path, const QByteArray& bytes, QString* error);
};
