#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <optional>

#include "cli/cli_request.h"
#include "cli/unit_session.h"
#include "tables/table_model.h"

class CliOutput;

// What orvexctl's table commands share: a pin's table from a file or from the unit (read twice,
// as every byte kept is), and the file or stdout its result goes to.
namespace cli {

QString pinText(int pin);
QJsonArray jsonValues(const tables::UnitWords& words);

// A table for the pin as the window stores it, and what makes it doubtful to program.
struct FileTable {
    tables::TableSnapshot snapshot;
    QStringList doubts;
};
std::optional<FileTable> tableFromFile(const QString& name, int pin, CliOutput& out);
// Says what makes the file doubtful, each with its fix; false when that stops the command.
bool takeDoubtful(const FileTable& table, const QString& name, bool force, CliOutput& out);

// Opens the unit and stops any trace, as the window does before every EEPROM run.
int startSession(UnitSession& session, const CliRequest& request, CliOutput& out);
// The pin's 130 bytes from the unit, or the exit code after saying why not.
std::optional<QByteArray> readUnitTable(UnitSession& session, int pin, const QString& label,
                                        CliOutput& out, int* exitCode);
// The pin's table from a unit just opened, for read, compare and export.
std::optional<QByteArray> openAndRead(UnitSession& session, const CliRequest& request,
                                      CliOutput& out, int* exitCode);

// `text` into the file at `path`, or onto stdout when `path` is empty; the exit code.
int writeOrPrint(const QString& path, const QByteArray& text, CliOutput& out);

// A table made without a unit, as a table file from `source` (the window's data-source item):
// stored as the window stores it, its doubts noted, written, and its values as the result.
int writeGenerated(const CliRequest& request, const std::array<qint64, tables::kEntries>& counts,
                   const QString& source, CliOutput& out);

}  // namespace cli
