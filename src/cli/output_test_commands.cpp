// orvexctl's output test: a pin held at one voltage by a flat table (its own table backed up
// first), the offset the ECU reads meanwhile, and the pin's own table put back.
#include <QJsonObject>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/unit_session.h"
#include "link/hex_text.h"
#include "tables/table_file.h"
#include "unitdata/backup_list.h"
#include "unitdata/output_test.h"

namespace cli {

namespace {

// The same unit again: without --port a later run would take the window's port.
QString restoreCommand(const CliRequest& request) {
    return QStringLiteral("orvexctl%1%2 test-output --pin %3 --restore")
        .arg(request.port.isEmpty() ? QString() : QStringLiteral(" --port ") + request.port,
             request.simulate ? QStringLiteral(" --simulate") : QString())
        .arg(request.pin);
}

int showOffset(const CliRequest& request, const unitdata::OutputTest& held, CliOutput& out) {
    const unitdata::Backup backup = unitdata::readBackup(held.backup);
    if (!backup.restorable()) {
        out.error(QStringLiteral("%1 cannot be read: %2").arg(held.backup, backup.problem));
        return CliExit::kUsage;
    }
    const unitdata::OutputOffset offset = unitdata::outputOffset(
        *backup.values, held.centivolts, *request.ecuReads, leadingNumber(request.stoich));
    out.result({{"pin", request.pin},
                {"volts", unitdata::voltsText(held.centivolts)},
                {"ecuReads", *request.ecuReads},
                {"offset", offset.volts},
                {"text", offset.text}},
               offset.text);
    return CliExit::kOk;
}

}  // namespace

int testOutput(const CliRequest& request, CliOutput& out) {
    const QString path = unitdata::outputTestPath();
    const std::optional<unitdata::OutputTest> held =
        unitdata::outputTestOf(path, request.pin, request.simulate);
    if ((request.restoreTest || request.ecuReads) && !held) {
        out.error(QStringLiteral("the %1 pin holds no test table (test-output --pin %2 --volts V "
                                 "holds one)")
                      .arg(tables::pinShortName(request.pin))
                      .arg(request.pin));
        return CliExit::kUsage;
    }
    if (request.restoreTest) {
        return restoreBackup(request, held->backup, unitdata::kTestRestore, out);
    }
    if (request.ecuReads) {
        return showOffset(request, *held, out);
    }

    const int centivolts = *request.testVolts;
    const auto snapshot = tables::TableSnapshot::of(request.pin, unitdata::flatTable(centivolts));
    QString backup;
    const int exitCode = programTable(request, snapshot, unitdata::testSource(centivolts),
                                      unitdata::kTestHold, out, &backup);
    if (backup.isEmpty()) {
        return exitCode;  // nothing was written
    }
    const unitdata::OutputTest test =
        unitdata::testAfterHold(request.pin, centivolts, request.simulate, backup, held);
    // Whatever the run's end, once it began writing the pin may not hold its own table.
    if (const QString why = unitdata::saveOutputTest(path, test); !why.isEmpty()) {
        out.error(QStringLiteral("the test is not recorded (%1): restore with orvexctl restore "
                                 "--pin %2 %3")
                      .arg(why)
                      .arg(request.pin)
                      .arg(test.backup));
    }
    out.result({{"volts", unitdata::voltsText(centivolts)},
                {"backup", test.backup},
                {"restore", restoreCommand(request)}},
               unitdata::heldText(test) + QStringLiteral("\nRestore: ") + restoreCommand(request));
    return exitCode;
}

}  // namespace cli
