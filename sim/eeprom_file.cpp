#include "sim/eeprom_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include "sim/unit_model.h"

namespace {

constexpr int kLockWaitMs = 2000;

}  // namespace

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

bool EepromFile::writeCells(const QString& path, const QByteArray& bytes, const QSet<int>& cells,
                            QString* error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot make the folder %1").arg(folder);
        return false;
    }
    // Held for one read and one rename only; a holder that died is found out and replaced.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        *error = lock.error() == QLockFile::LockFailedError
                     ? QStringLiteral("%1 stayed locked by another program").arg(path)
                     : QStringLiteral("cannot lock %1 (%1.lock)").arg(path);
        return false;
    }
    QString unreadable;
    const std::optional<QByteArray> held = read(path, &unreadable);
    if (held && cells.isEmpty()) {
        return true;
    }
    QByteArray merged = held.value_or(bytes);
    for (const int cell : cells) {
        merged[cell] = bytes.at(cell);
    }
    return write(path, merged, error);
}
