#include "unitdata/backup_list.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "tables/afr_file_parser.h"
#include "tables/table_file.h"

namespace unitdata {

namespace {

constexpr int kLargestWord = 0xFFFF;  // two bytes; an erased cell pair reads this

// "; key: value" lines of a heading.
QString headingValue(const QStringList& heading, const QString& key) {
    const QString prefix = QStringLiteral("; ") + key + QStringLiteral(": ");
    for (const QString& line : heading) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size());
        }
    }
    return QString();
}

// The time the file name gives (2026-12-06_14-03-22_WBlin.txt), else its last change.
QDateTime timeOfFile(const QFileInfo& file) {
    const QDateTime named =
        QDateTime::fromString(file.fileName().left(19), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    return named.isValid() ? named : file.lastModified();
}

// Why the values read cannot be restored; empty when they can.
QString valuesProblem(const tables::AfrFileContent& content, const QByteArray& bytes,
                      const QStringList& lines) {
    const auto count = content.values.size();
    if (count < tables::kEntries) {
        return QStringLiteral("truncated: %1 of 65 entries").arg(count);
    }
    if (count > tables::kEntries) {
        return QStringLiteral("edited by hand: %1 entries, not 65").arg(count);
    }
    if (!bytes.endsWith('\n')) {
        return QStringLiteral("truncated: its last line is cut short");
    }
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 v = content.values[i];
        const int line = content.lines[i];
        // Only what the writer writes: the number alone, nothing rounded or read past.
        if (v < 0 || v > kLargestWord || lines[line - 1] != QString::number(v)) {
            return QStringLiteral("edited by hand: line %1 reads \"%2\"")
                .arg(line)
                .arg(lines[line - 1]);
        }
    }
    return QString();
}

}  // namespace

QString shownTime(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Backup readBackup(const QString& path) {
    Backup b;
    b.path = path;
    const QFileInfo info(path);
    b.when = timeOfFile(info);
    const tables::FileBytes file = tables::readTableFile(path);
    if (!file.bytes) {
        b.problem = file.error;
        return b;
    }
    const tables::AfrFileContent content = tables::parseAfrFile(*file.bytes);
    const QDateTime dated =
        QDateTime::fromString(headingValue(content.heading, QStringLiteral("date")), Qt::ISODate);
    b.when = dated.isValid() ? dated : b.when;
    const auto* pin = std::find(tables::PinNames.begin() + 1, tables::PinNames.end(), content.pin);
    b.pin = pin == tables::PinNames.end() ? 0 : static_cast<int>(pin - tables::PinNames.begin());
    const QString source = headingValue(content.heading, QStringLiteral("data source"));
    const QString port = headingValue(content.heading, QStringLiteral("port"));
    b.simulated = source == tables::unitSource(true);
    b.source = source == tables::unitSource(false) && !port.isEmpty()
                   ? QStringLiteral("unit on ") + port
                   : source;
    if (b.pin == 0) {
        b.problem = QStringLiteral("edited by hand: its heading names no pin");
        return b;
    }
    b.problem =
        valuesProblem(content, *file.bytes, tables::afrFileLines(QString::fromUtf8(*file.bytes)));
    if (!b.problem.isEmpty()) {
        return b;
    }
    tables::UnitWords values{};
    std::copy(content.values.begin(), content.values.end(), values.begin());
    // Backups saved before the check line existed have none; one that has it must match it.
    const QString check = headingValue(content.heading, QStringLiteral("check"));
    if (!check.isEmpty() && check != tables::tableCheck(values)) {
        b.problem = QStringLiteral("edited by hand: its values do not match its check line");
        return b;
    }
    b.values = values;
    return b;
}

QList<Backup> listBackups(const QString& folder) {
    QList<Backup> list;
    for (const QString& dir : {folder, tables::backupFolderFor(folder, true)}) {
        const QFileInfoList files =
            QDir(dir).entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
        for (const QFileInfo& file : files) {
            list.append(readBackup(file.filePath()));
        }
    }
    // Two of the same second keep the order of their names (_2 after the first).
    std::stable_sort(list.begin(), list.end(), [](const Backup& a, const Backup& b) {
        return a.when != b.when ? a.when > b.when : a.path > b.path;
    });
    return list;
}

}  // namespace unitdata
