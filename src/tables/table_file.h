#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

#include "tables/afr_file_parser.h"
#include "tables/table_defaults.h"

// A table as a file the import reads back value for value: comment lines with where it came
// from, then the 65 values one a line, CR LF line ends. Saved tables and backups alike. The
// window and orvexctl read, judge, compare and back up tables through these alike.
namespace tables {

struct TableFileHeader {
    QString pin;     // the output pin's list item
    QString source;  // the data source, or "unit" for a table read from the unit
    QDateTime when;
    QString port = {};   // where a table read from a unit came from ("COM3 (/dev/ttyUSB0)")
    bool check = false;  // a "; check: " line, so a backup edited since is told apart
};
inline const QString kCheckComment = QStringLiteral("; check: ");
inline const QString kPortComment = QStringLiteral("; port: ");

QByteArray tableFileText(const UnitWords& values, const TableFileHeader& header);
UnitWords unitWords(const TableValues& values);
// The check line's text for these values: 8 hex digits of a hash of their 130 bytes.
QString tableCheck(const UnitWords& values);
// The 130 bytes of a table as the unit holds them, and back.
UnitWords unitWords(const QByteArray& bytes);
QByteArray unitBytes(const UnitWords& values);

// Writes the whole file, replacing what it held: empty, or the system's reason it could not.
QString writeWholeFile(const QString& path, const QByteArray& bytes);

// The pin's short name for file names ("WBlin" for "WBlin (12 bit DAC)").
QString pinShortName(int pin);

// A table file's bytes, or why there are none: "No File ", "File too large " or "Cannot read "
// followed by the name.
inline constexpr qint64 kMaxTableFileBytes = 1024 * 1024;
struct FileBytes {
    std::optional<QByteArray> bytes;
    QString error;
};
FileBytes readTableFile(const QString& name);

// A file's data lines as a table: the first 65 values (missing ones 0), and what the reader must
// be told about them.
struct ImportedTable {
    std::array<qint64, kEntries> values{};
    qint64 count = 0;       // data lines in the file
    int withoutNumber = 0;  // of the 65, how many came from lines without a number
    int withoutNumberLines = 0;
    int firstWithoutNumberLine = 0;
};
ImportedTable importTable(const AfrFileContent& content);
// The outcome as the status line shows it, `read` heading a full table ("Read file <name>"); an
// error when entries are missing or lines held no number.
struct ImportOutcome {
    QString text;
    bool error = false;
};
ImportOutcome importOutcome(const ImportedTable& table, const QString& read);

struct Difference {
    int index;
    int unit;
    int table;
};
QList<Difference> differences(const UnitWords& unit, const UnitWords& table);
// "Index  Unit  Table" and one line per difference, CR LF each.
QString differenceLines(const QList<Difference>& differences);

// What a table read from a unit gives as its data source: "unit", or "simulated unit", so a table
// of the simulated unit is never taken for a real unit's.
QString unitSource(bool simulated);

// Saves the unit's table before it is overwritten, as <folder>/yyyy-MM-dd_HH-mm-ss_<pin>.txt,
// never over an existing file; `source` is the heading's data source, `port` the unit's port.
// The heading carries a check line. The path written, or empty with `error` saying why.
QString saveBackup(const QString& folder, int pin, const UnitWords& values, const QDateTime& when,
                   QString* error, const QString& source = unitSource(false),
                   const QString& port = QString());
// Where backups go: $XDG_DATA_HOME/Orvex/backups.
QString defaultBackupFolder();
// The simulated unit's backups have a folder of their own inside `folder` ("simulated"), so none
// is restored into a real unit by mistake.
QString backupFolderFor(const QString& folder, bool simulated);

}  // namespace tables
