#include "tables/table_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "link/hex_text.h"

namespace tables {

namespace {

constexpr int kMaxBackupsASecond = 999;

// Makes `folder` and its missing parents. Empty, or why not, naming the part in the way: a
// file, a link to nothing, or the system's reason ("permission denied").
QString makeFolder(const QString& folder) {
    QStringList missing;
    for (QString part = QDir::cleanPath(QDir(folder).absolutePath());;) {
        const QFileInfo info(part);
        if (info.isSymLink() && !info.exists()) {
            return part + QStringLiteral(" is a link to a missing ") + info.symLinkTarget();
        }
        if (info.exists()) {
            if (!info.isDir()) {
                return part + QStringLiteral(" is a file, not a folder");
            }
            break;
        }
        missing.prepend(part);
        if (info.path() == part) {
            break;
        }
        part = info.path();
    }
    for (const QString& part : missing) {
        if (::mkdir(QFile::encodeName(part).constData(), 0777) != 0 && errno != EEXIST) {
            QString why = qt_error_string(errno);  // the common reasons in English, as Qt's
            why[0] = why[0].toLower();
            return QStringLiteral("cannot make ") + part + QStringLiteral(": ") + why;
        }
    }
    return QString();
}

}  // namespace

QByteArray tableFileText(const UnitWords& values, const TableFileHeader& header) {
    QString text = QStringLiteral("; Orvex Configuration Utility table\r\n; date: ") +
                   header.when.toString(Qt::ISODate) + QStringLiteral("\r\n; pin: ") + header.pin +
                   QStringLiteral("\r\n; data source: ") + header.source + QStringLiteral("\r\n");
    if (!header.port.isEmpty()) {
        text += kPortComment + header.port + QStringLiteral("\r\n");
    }
    if (header.check) {
        text += kCheckComment + tableCheck(values) + QStringLiteral("\r\n");
    }
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

QString tableCheck(const UnitWords& values) {
    return QString::fromLatin1(
        QCryptographicHash::hash(unitBytes(values), QCryptographicHash::Sha256)
            .left(4)
            .toHex()
            .toUpper());
}

QByteArray unitBytes(const UnitWords& values) {
    QByteArray bytes;
    for (const int v : values) {
        bytes.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
    }
    return bytes;
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
    if (info.isDir()) {
        return {std::nullopt, QStringLiteral("Cannot read ") + name};
    }
    // A pipe would block the open and the read for good, a device may never end: only a plain
    // file is read, judged by what was opened, not by an earlier look at the name.
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const QString kind = fd < 0                 ? QString()
                             : S_ISFIFO(st.st_mode) ? QStringLiteral(": a pipe, not a file")
                             : S_ISSOCK(st.st_mode) ? QStringLiteral(": a socket, not a file")
                                                    : QStringLiteral(": a device, not a file");
        if (fd >= 0) {
            ::close(fd);
        }
        return {std::nullopt, QStringLiteral("Cannot read ") + name + kind};
    }
    if (st.st_size > kMaxTableFileBytes) {
        ::close(fd);
        return {std::nullopt, QStringLiteral("File too large ") + name};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {std::nullopt, QStringLiteral("Cannot read ") + name};
    }
    // A growing file may hold more than its size said.
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
                   QString* error, const QString& source, const QString& port) {
    if (const QString problem = makeFolder(folder); !problem.isEmpty()) {
        *error =
            QStringLiteral("Cannot write backups to ") + folder + QStringLiteral(": ") + problem;
        return QString();
    }
    const QString base = folder + QLatin1Char('/') +
                         when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss_")) + pinShortName(pin);
    QString path = base + QStringLiteral(".txt");
    QFile file(path);
    // NewOnly: an earlier backup of the same second, or anything else already there (a link
    // included), is never written over; the next number is taken instead.
    for (int n = 2; !file.open(QIODevice::NewOnly | QIODevice::WriteOnly); ++n) {
        const QFileInfo there(path);
        if ((!there.exists() && !there.isSymLink()) || n > kMaxBackupsASecond) {
            *error =
                QStringLiteral("Cannot write ") + path + QStringLiteral(": ") + file.errorString();
            return QString();
        }
        path = base + QStringLiteral("_%1.txt").arg(n);
        file.setFileName(path);
    }
    const QByteArray text = tableFileText(values, {PinNames[pin], source, when, port, true});
    const bool whole = file.write(text) == text.size() && file.flush();
    file.close();
    if (whole && file.error() == QFileDevice::NoError) {
        return path;
    }
    // A part of a backup (a full disk) must not stand among the whole ones.
    *error = QStringLiteral("Cannot write ") + path + QStringLiteral(": ") + file.errorString();
    file.remove();
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

QString writeWholeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        return file.errorString();
    }
    return QString();
}

}  // namespace tables
