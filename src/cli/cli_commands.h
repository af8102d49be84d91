#pragma once

#include "cli/cli_request.h"
#include "tables/table_model.h"

class CliOutput;

// The commands of orvexctl; each returns the program's exit code.
namespace cli {

int run(const CliRequest& request, CliOutput& out);

int ports(const CliRequest& request, CliOutput& out);
int info(const CliRequest& request, CliOutput& out);
int send(const CliRequest& request, CliOutput& out);
int trace(const CliRequest& request, CliOutput& out);
int calibration(const CliRequest& request, CliOutput& out);
int doctor(const CliRequest& request, CliOutput& out);

int read(const CliRequest& request, CliOutput& out);
int flash(const CliRequest& request, CliOutput& out);
int compare(const CliRequest& request, CliOutput& out);
int generate(const CliRequest& request, CliOutput& out);
int exportForEcu(const CliRequest& request, CliOutput& out);
int generateMatched(const CliRequest& request, CliOutput& out);  // generate --match

int backups(const CliRequest& request, CliOutput& out);
int restore(const CliRequest& request, CliOutput& out);
int history(const CliRequest& request, CliOutput& out);
int testOutput(const CliRequest& request, CliOutput& out);

// Programs the backup `name` into the request's pin as a run of `kind`, after the checks restore
// makes; a verified run ends the pin's output test when that backup is the test's.
int restoreBackup(const CliRequest& request, const QString& name, const QString& kind,
                  CliOutput& out);

// Backs up what the unit holds for the pin, programs `snapshot` and verifies it, and records the
// run in the flash history, whatever its end: flash and restore alike. `name` is the file the
// table came from (an output test's table names itself); `backup` receives the backup's path.
int programTable(const CliRequest& request, const tables::TableSnapshot& snapshot,
                 const QString& name, const QString& kind, CliOutput& out,
                 QString* backup = nullptr);

}  // namespace cli
