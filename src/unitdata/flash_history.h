#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The workshop's record of what went into which unit: one line for every run that wrote (or set
// out to write) a table, from the window or orvexctl, in $XDG_DATA_HOME/Orvex/history.tsv.
//
// Tab-separated, one run a line ended by LF, UTF-8; the first line names the columns:
//   time  program  kind  port  pin  source  bytes  backup  outcome
// time: when the run started, ISO 8601 with the offset (2026-12-06T14:03:22+01:00, Z for UTC);
// program: orvex-config or orvexctl; kind: flash, restore (any other word a later kind of run);
// port: "COM3 (/dev/ttyUSB0)", a device path, or "simulated unit"; pin: WBlin, SVout or NBout;
// source: the data source or the file's path; bytes: the table's 130 bytes as 260 lower-case hex
// digits; backup: the file the unit's table was saved to first (empty: none); outcome: verified,
// "errors at N" (locations), aborted, or lost (the port went away or the unit stopped
// answering). In a field a backslash, tab, LF and CR are written \\, \t, \n and \r. Readers
// take the first nine columns and ignore any that later versions add.
namespace unitdata {

inline const QString kFlash = QStringLiteral("flash");
inline const QString kRestore = QStringLiteral("restore");
inline const QString kSimulatedPort = QStringLiteral("simulated unit");

enum class Outcome { Verified, Errors, Aborted, Lost };
// "verified", "errors at N", "aborted", "lost".
QString outcomeText(Outcome outcome, int failedLocations = 0);

struct HistoryEntry {
    QDateTime when;
    QString program;
    QString kind;
    QString port;
    int pin = 0;  // output-pin list index
    QString source;
    QByteArray bytes;
    QString backup;
    QString outcome;
};

// $XDG_DATA_HOME/Orvex/history.tsv.
QString historyPath();

// One line: the entry's fields, escaped, without the line end.
QString historyLine(const HistoryEntry& entry);

// Appends the entry to the file (its column line first when the file is new), making the folder.
// Never waits on anything: a file that is not a plain file (a pipe) is refused. Empty, or why
// the line was not written.
QString appendHistory(const QString& path, const HistoryEntry& entry);

struct History {
    QList<HistoryEntry> entries;  // oldest first, as written
    QStringList problems;         // lines that could not be read: "line N: why"
    QString error;                // the file could not be read (a missing file is no error)
};
History readHistory(const QString& path);

}  // namespace unitdata
