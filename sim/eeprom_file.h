#pragma once

#include <QByteArray>
#include <QSet>
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
    // Writes the `cells` of `bytes` and keeps every other cell as the file holds it, under a lock
    // beside the file, so programs that keep one unit in the same file keep each other's writes.
    // A file that is absent or cannot be read is replaced by `bytes` whole; the folder is made.
    static bool writeCells(const QString& path, const QByteArray& bytes, const QSet<int>& cells,
                           QString* error);
};
