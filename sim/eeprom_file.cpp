#include "sim/eeprom_file.h"

#include <QFile>
#include <QSaveFile>

#include "sim/unit_model.h"

std::optional<QByteArray> EepromFile::read(const QString& path, QString* error) {
    error->clear();
    QFile file(path);
    if (!file.exists()) {
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != UnitModel::kEepromSize) {
        *error = QStringLiteral("%1 holds %2 bytes, not %3")
                     .arg(path)
                     .arg(bytes.size())
                     .arg(UnitModel::kEepromSize);
        return std::nullopt;
    }
    return bytes;
}

bool EepromFile::write(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
