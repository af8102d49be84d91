#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

#include "tables/table_defaults.h"

// An ECU's own lookup (volts -> mixture) as its tuning software saves it, and the table that
// makes the unit agree with it: at every lambda breakpoint, the volts at which the lookup reads
// that mixture.
namespace ecu {

// Read from "DB" lines (AFR x 10, decimals and a "T" allowed), "DW" lines (AFR x 100), 256 or
// 1024 of them for an 8- or 10-bit ADC, or CSV pairs of volts and AFR or lambda (a header says
// which; without one a file whose smallest mixture is under 3 holds lambdas). Blanks, tabs,
// ";" comments, label lines ("Name:") and empty lines are allowed. A mixture of 0, or of 99.99
// and more (DW 9999), is an error marker and left out.
struct Lookup {
    QString error;  // why the file is no lookup; the rest is empty then
    QString shape;  // "DB, 8-bit ADC", "CSV volts,afr", ...
    bool afr = true;
    QList<double> volts;  // of the entries left in, rising
    QList<double> mixture;
    QList<int> lines;  // the file's line (from 1) of each entry left in
    int leftOut = 0;   // error markers
};
Lookup readLookup(const QByteArray& bytes);

struct Match {
    QString error;  // a lookup that is none, turns or reads one mixture; an unusable stoich
    std::array<qint64, tables::kEntries> counts{};
    // Breakpoints richer or leaner than the lookup reads: given the volts of its nearest end.
    int limited = 0;
};
// `stoich` turns the breakpoints into AFRs for a lookup of AFRs.
Match matchLookup(const Lookup& lookup, double stoich);
// "32 breakpoints outside the lookup's AFR 10.00 .. 20.00 limited to its ends", for a match made.
QString matchSummary(const Lookup& lookup, const Match& match);

}  // namespace ecu
