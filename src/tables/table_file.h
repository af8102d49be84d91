#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "tables/table_defaults.h"

// A table as a file the import reads back value for value: comment lines with where it came
// from, then the 65 values one a line, CR LF line ends. Saved tables and backups alike.
namespace tables {

struct TableFileHeader {
    QString pin;     // the output pin's list item
    QString source;  // the data source, or "unit" for a table read from the unit
    QDateTime when;
};

QByteArray tableFileText(const UnitWords& values, const TableFileHeader& header);
UnitWords unitWords(const TableValues& values);

// The pin's short name for file names ("WBlin" for "WBlin (12 bit DAC)").
QString pinShortName(int pin);

}  // namespace tables
