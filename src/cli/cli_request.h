#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "ecu/ecu_export.h"
#include "tables/linear_table.h"

// orvexctl's command line, checked before anything is opened: the global options, the command
// and its own options. A request that cannot be met by any command is a usage error (exit 2).
struct CliRequest {
    // Global
    QString port;  // a COM name or a device path; empty: the port the window saved
    bool json = false;
    bool quiet = false;
    bool simulate = false;
    QString command;
    QStringList arguments;  // the command's positional arguments

    // Command options; what a command does not take is refused.
    int pin = 0;     // 1..3
    QString output;  // -o
    std::optional<double> seconds;
    bool csv = false;             // trace: rows of the CSV trace log
    std::optional<int> setValue;  // calibration --set
    bool noBackup = false;
    bool force = false;
    // generate: as on the "Linear Parameters" frame
    QString rich, lean;  // empty: the page's start values
    QString richVolts = tables::kLinearStart.vRich, leanVolts = tables::kLinearStart.vLean;
    QStringList midMixtures, midVolts;
    std::optional<QString> under, over;
    bool lambda = false;
    QString stoich = tables::kLinearStart.stoich;  // generate and export
    QString match;                                 // generate --match: an ECU's lookup file
    // export: the pin's table from the file argument or, with --from-unit, from the unit
    bool fromUnit = false;
    ecu::Format format = ecu::Format::Csv;
    int adcBits = 8;
    // test-output: hold the pin at these hundredths of a volt, restore its table, or say what
    // the ECU's reading means
    std::optional<int> testVolts;
    bool restoreTest = false;
    std::optional<double> ecuReads;
};

struct ParsedCommandLine {
    std::optional<CliRequest> request;  // none: nothing to do (help, version) or an error
    QString error;                      // a usage error, for stderr
    QString text;                       // help or version, for stdout
};

ParsedCommandLine parseCommandLine(const QStringList& arguments);
// The text --help prints.
const QString& cliUsage();
