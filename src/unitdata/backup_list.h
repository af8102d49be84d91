#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

#include "tables/table_defaults.h"

// The backups the window and orvexctl save before every flash, read back from their folder. A
// backup is restored only when it is exactly what was saved: its heading names the pin, it holds
// 65 plain whole numbers that a unit can hold, its last line is whole, and its values still match
// its check line.
namespace unitdata {

struct Backup {
    QString path;
    QDateTime when;  // the heading's date; the file name's, or its time, when unreadable
    int pin = 0;     // output-pin list index, 0 when the heading does not name one
    QString source;  // "unit on COM3 (/dev/ttyUSB0)", "simulated unit", or "unit"
    bool simulated = false;
    std::optional<tables::UnitWords> values;  // none: it cannot be restored
    QString problem;                          // why not
    bool restorable() const { return values.has_value(); }
};

Backup readBackup(const QString& path);

// Every "*.txt" in `folder` and in its "simulated" folder, newest first.
QList<Backup> listBackups(const QString& folder);

// The date and time as lists show them: 2026-12-06 14:03:22.
QString shownTime(const QDateTime& when);

}  // namespace unitdata
