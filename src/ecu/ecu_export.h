#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <optional>

#include "tables/table_defaults.h"

// A pin's table turned round for the ECU that reads the unit's output: for each voltage the
// ECU's ADC can see, the mixture at which the table puts that voltage out. Volts of an entry
// are its count x 5 / 4095 on every pin.
namespace ecu {

enum class Format {
    Csv,  // "volts,lambda,afr", a row every 0.05 V from 0.00 to 5.00
    Db,   // "DB nnn.nT": AFR x 10, one line per ADC count
    Dw,   // "DW nnnn": AFR x 100, one line per ADC count
};
std::optional<Format> formatNamed(const QString& name);  // "csv", "db", "dw"
QString formatName(Format format);

// The kinds of file a user picks from, in the order a save dialog offers them.
struct LookupKind {
    Format format;
    int adcBits;  // 0 for csv
    QString description;
    QString suffix;
};
extern const std::array<LookupKind, 5> kLookupKinds;

// An AFR of 99.99 and above is a lookup's error marker (DW 9999); DB and DW write leaner
// mixtures as that marker, so no value outgrows its field.
inline constexpr int kMarkerHundredths = 9999;

struct ExportRequest {
    Format format = Format::Csv;
    int adcBits = 8;  // db and dw: 8 (256 entries) or 10 (1024)
    double stoich = 14.7;
    // The heading lines of db and dw (csv has none: a spreadsheet would take them for rows).
    QString pin;
    QString source;
    QDate date;
};

struct Exported {
    QByteArray text;  // CR LF line ends
    QString error;    // why there is none: a table that turns or is flat, an unusable stoich
};
Exported exportLookup(const tables::UnitWords& table, const ExportRequest& request);
// Why a table cannot be exported at all (it turns, it is flat, the stoich AFR is unusable), or
// empty: the check exportLookup makes first, for asking before a file is chosen.
QString exportProblem(const tables::UnitWords& table, double stoich);

// "data source" of a table read from a file, as the window and orvexctl both name it.
QString fileSource(const QString& path);

}  // namespace ecu
