#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

#include "tables/table_defaults.h"

// The output test: a pin's table replaced by a flat one, so the unit puts out one voltage
// whatever the mixture and the tuner can read it with a meter and in the ECU; the offset the ECU
// reads, in volts and in mixture; and which pins hold such a table, kept in a file beside the
// backups so the window and orvexctl, in this run or a later one, agree.
namespace unitdata {

inline const QString kTestHold = QStringLiteral("test hold");
inline const QString kTestRestore = QStringLiteral("test restore");

// A test voltage in hundredths of a volt, 0..500, from "2.5", "2,5" or "2.50" (either decimal
// mark, whatever the locale); none for anything else, a third decimal included.
std::optional<int> readTestVolts(const QString& text);
// A voltage as the ECU or a meter shows it, either decimal mark; none when it is no number.
std::optional<double> readShownVolts(const QString& text);
// "2.50".
QString voltsText(int centivolts);
// The table that puts out the voltage at every mixture: round(V x 4095 / 5), halves to even.
tables::UnitWords flatTable(int centivolts);
// "test table 2.50 V", the run's data source in the history.
QString testSource(int centivolts);

// What the ECU's reading means against the pin's own table (the one the test table replaced):
// the offset in volts, and the mixture the unit means at the held voltage against the one the
// ECU takes the reading for.
struct OutputOffset {
    double volts = 0;  // read minus held
    QString text;      // one or two lines, for the dialog and orvexctl alike
};
OutputOffset outputOffset(const tables::UnitWords& table, int heldCentivolts, double readVolts,
                          double stoich);

// A pin that holds a test table, and the backup that gives its own table back.
struct OutputTest {
    int pin = 0;
    int centivolts = 0;
    QString backup;  // the backup taken before the test table was written
    QDateTime saved;
    bool simulated = false;  // the simulated unit's pin, never a real unit's
};

// $XDG_DATA_HOME/Orvex/output-test.json.
QString outputTestPath();
// The pins that hold a test table; none when the file is missing or unreadable.
QList<OutputTest> readOutputTests(const QString& path);
// The test of this pin and unit kind, if any.
std::optional<OutputTest> outputTestOf(const QString& path, int pin, bool simulated);
// The test a hold leaves, its run having saved `runBackup`: a pin already under test (`before`)
// keeps the backup of its own table, not the one of the test table the hold replaced.
OutputTest testAfterHold(int pin, int centivolts, bool simulated, const QString& runBackup,
                         const std::optional<OutputTest>& before);
// Records the test, replacing an earlier one of the same pin and unit kind. Empty, or why not.
QString saveOutputTest(const QString& path, const OutputTest& test);
// Ends the pin's test once `restored` (a backup written back and verified) is its backup.
// Empty, or why the file could not be written.
QString endOutputTest(const QString& path, int pin, bool simulated, const QString& restored);

// "WBlin holds a 2.50 V test table - Restore puts back the table saved at 14:02:11".
QString heldText(const OutputTest& test);

}  // namespace unitdata
