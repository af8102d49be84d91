#pragma once

#include "cli/cli_request.h"

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

}  // namespace cli
