#include "tables/table_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

#include "link/hex_text.h"

namespace tables {

QByteArray tableFileText(const UnitWords& values, const TableFileHeader& header) {
    QString text = QStringLiteral("; Orvex Configuration Utility table\r\n; date: ") +
                   header.when.toString(Qt::ISODate) + QStringLiteral("\r\n; pin: ") + header.pin +
                   QStringLiteral("\r\n; data source: ") + header.source + QStringLiteral("\r\n");
    for (const int v : values) {
        text += QString::number(v) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

UnitWords unitWords(const TableValues& values) {
    UnitWords words{};
    std::copy(values.begin(), values.end(), words.begin());
    return words;
}

UnitWords unitWords(const QByteArray& bytes) {
    UnitWords values{};
    for (int i = 0; i < kEntries && 2 * i + 1 < bytes.size(); ++i) {
        values[i] = static_cast<quint8>(bytes[2 * i]) + 256 * static_cast<quint8>(bytes[2 * i + 1]);
    }
    return values;
}

QString pinShortName(int pin) {
    return PinNames[pin >= 0 && pin < kPinItems ? pin : 0].section(QLatin1Char(' '), 0, 0);
}

FileBytes readTableFile(const QString& name) {
    const QFileInfo info(name);
    if (name.isEmpty() || !info.exists()) {
        return {std::nullopt, QStringLiteral("No File ") + name};
    }
    if (info.size() > kMaxTableFileBytes && info.isFile()) {
        return {std::nullopt, QStringLiteral("File too large ") + name};
    }
    QFile file(name);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, QStringLiteral("Cannot read ") + name};
    }
    // A device or a growing file may hold more than its size said.
    const QByteArray bytes = file.read(kMaxTableFileBytes + 1);
    if (bytes.size() > kMaxTableFileBytes) {
        return {std::nullopt, QStringLiteral("File too large ") + name};
    }
    if (file.error() != QFileDevice::NoError) {
        return {std::nullopt, QStringLiteral("Cannot read ") + name};
    }
    return {bytes, QString()};
}

ImportedTable importTable(const AfrFileContent& content) {
    ImportedTable table;
    table.count = content.values.size();
    std::copy_n(content.values.begin(), std::min<qsizetype>(kEntries, table.count),
                table.values.begin());
    for (const int index : content.withoutNumber) {
        table.withoutNumber += index < kEntries ? 1 : 0;
    }
    table.withoutNumberLines = static_cast<int>(content.withoutNumber.size());
    table.firstWithoutNumberLine = content.firstWithoutNumberLine;
    return table;
}

ImportOutcome importOutcome(const ImportedTable& table, const QString& read) {
    // A line without a number reads as 0; a table of such zeros must not look like success.
    const QString zeros =
        table.withoutNumberLines == 0
            ? QString()
            : QStringLiteral(" - %1 lines without a number were read as 0 (first: line %2)")
                  .arg(table.withoutNumberLines)
                  .arg(table.firstWithoutNumberLine);
    if (table.count < kEntries) {
        return {QStringLiteral("Only ") + withSignPosition(table.count) +
                    QStringLiteral(" entries - expecting 65") + zeros,
                true};
    }
    return {read + zeros, !zeros.isEmpty()};
}

QList<Difference> differences(const UnitWords& unit, const UnitWords& table) {
    QList<Difference> out;
    for (int i = 0; i < kEntries; ++i) {
        if (unit[i] != table[i]) {
            out.append({i, unit[i], table[i]});
        }
    }
    return out;
}

QString differenceLines(const QList<Difference>& differences) {
    QString lines = QStringLiteral("Index  Unit  Table\r\n");
    for (const Difference& d : differences) {
        lines += QStringLiteral("%1  %2  %3\r\n").arg(d.index).arg(d.unit).arg(d.table);
    }
    return lines;
}

QString saveBackup(const QString& folder, int pin, const UnitWords& values, const QDateTime& when,
                   QString* error, const QString& source) {
    const QString base = folder + QLatin1Char('/') +
                         when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss_")) + pinShortName(pin);
    QString path = base + QStringLiteral(".txt");
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = base + QStringLiteral("_%1.txt").arg(n);
    }
    const QByteArray text = tableFileText(values, {PinNames[pin], source, when});
    QFile file(path);
    // NewOnly: a file that appeared since the check is not overwritten either.
    if (QDir().mkpath(folder) && file.open(QIODevice::NewOnly | QIODevice::WriteOnly) &&
        file.write(text) == text.size() && file.flush()) {
        return path;
    }
    *error = QStringLiteral("Cannot write ") + path + QStringLiteral(": ") + file.errorString();
    return QString();
}

QString defaultBackupFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvex/backups");
}

QString unitSource(bool simulated) {
    return simulated ? QStringLiteral("simulated unit") : QStringLiteral("unit");
}

QString backupFolderFor(const QString& folder, bool simulated) {
    return simulated ? folder + QStringLiteral("/simulated") : folder;
}

}  // namespace tables
