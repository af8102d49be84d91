// orvexctl's commands on a pin's table: read it from the unit, flash a table file (backed up
// first, verified after, recorded in the flash history), compare, and generate a linear table
// without a unit.
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/table_access.h"
#include "cli/unit_session.h"
#include "link/device_link.h"
#include "link/hex_text.h"
#include "link/unit_commands.h"
#include "tables/afr_file_parser.h"
#include "tables/linear_table.h"
#include "tables/table_doubts.h"
#include "tables/table_file.h"
#include "tables/table_model.h"
#include "unitdata/flash_history.h"
#include "unitdata/table_identity.h"

namespace cli {

int read(const CliRequest& request, CliOutput& out) {
    UnitSession session(out);
    int exitCode = CliExit::kOk;
    const std::optional<QByteArray> bytes = openAndRead(session, request, out, &exitCode);
    if (!bytes) {
        return exitCode;
    }
    const tables::UnitWords words = tables::unitWords(*bytes);
    const QByteArray text =
        tables::tableFileText(words, {pinText(request.pin), tables::unitSource(session.simulated()),
                                      QDateTime::currentDateTime()});
    if (!out.json() || !request.output.isEmpty()) {
        if (const int failed = writeOrPrint(request.output, text, out)) {
            return failed;
        }
    }
    const QString identity = unitdata::tableIdentity(words, request.pin, session.simulated());
    const QString into =
        request.output.isEmpty() ? QString() : QStringLiteral(" into ") + request.output;
    out.note(unitdata::withIdentity(
        QStringLiteral("Read the %1 table from %2").arg(pinText(request.pin), session.portLabel()) +
            into,
        identity));
    out.result({{"pin", request.pin},
                {"values", jsonValues(words)},
                {"bytes", QString::fromLatin1(bytes->toHex())},
                {"identity", identity}},
               QString());
    return CliExit::kOk;
}

int flash(const CliRequest& request, CliOutput& out) {
    const QString& name = request.arguments[0];
    const std::optional<FileTable> table = tableFromFile(name, request.pin, out);
    if (!table) {
        return CliExit::kUsage;
    }
    if (!takeDoubtful(*table, name, request.force, out)) {
        out.error(QStringLiteral("nothing programmed"));
        return CliExit::kUsage;
    }
    return programTable(request, table->snapshot, name, unitdata::kFlash, out);
}

int programTable(const CliRequest& request, const tables::TableSnapshot& snapshot,
                 const QString& name, const QString& kind, CliOutput& out) {
    UnitSession session(out);
    if (const int failed = startSession(session, request, out)) {
        return failed;
    }
    // From here on the run is the history's, however it ends.
    unitdata::HistoryEntry run{QDateTime::currentDateTime(),
                               QStringLiteral("orvexctl"),
                               kind,
                               session.simulated() ? unitdata::kSimulatedPort : session.portLabel(),
                               request.pin,
                               QFileInfo(name).absoluteFilePath(),
                               snapshot.toBytes(),
                               QString(),
                               QString()};
    const auto record = [&](unitdata::Outcome outcome, int failedLocations = 0) {
        run.outcome = unitdata::outcomeText(outcome, failedLocations);
        if (const QString why = unitdata::appendHistory(unitdata::historyPath(), run);
            !why.isEmpty()) {
            out.note(QStringLiteral("warning: flash history not written: ") + why);
        }
    };
    QString backup;
    if (!request.noBackup) {
        int exitCode = CliExit::kOk;
        const std::optional<QByteArray> held =
            readUnitTable(session, request.pin, QStringLiteral("Backing up"), out, &exitCode);
        if (!held) {
            out.error(
                QStringLiteral("no backup, so nothing written (--no-backup programs "
                               "without one)"));
            record(exitCode == CliExit::kNoUnit ? unitdata::Outcome::Lost
                                                : unitdata::Outcome::Aborted);
            return exitCode;
        }
        QString why;
        const bool simulated = session.simulated();
        backup =
            tables::saveBackup(tables::backupFolderFor(tables::defaultBackupFolder(), simulated),
                               request.pin, tables::unitWords(*held), QDateTime::currentDateTime(),
                               &why, tables::unitSource(simulated), session.portLabel());
        if (backup.isEmpty()) {
            out.error(why + QStringLiteral("; nothing written (--no-backup programs without one)"));
            record(unitdata::Outcome::Aborted);
            return CliExit::kUsage;
        }
        out.note(QStringLiteral("Backup saved to ") + backup);
        run.backup = backup;
    }

    session.setProgressLabel(QStringLiteral("Writing and verifying"));
    EepromProgrammer& programmer =
        session.programmer([&snapshot](int address) { return snapshot.byteAt(address); });
    const bool ranThrough = programmer.ProgramEE(snapshot.start, tables::kTableBytes);
    const int written = programmer.written();
    const int verified = programmer.verified();
    QStringList failed;
    for (const int address : programmer.failedAddresses()) {
        failed << hex4(address);
    }
    const bool interrupted = session.interrupted();
    const bool lost = !session.link().isOpen();
    if (!lost) {
        session.exchange(UnitCommand::kTraceOff);
    }

    QString outcome = QStringLiteral("verified");
    int exitCode = CliExit::kOk;
    if (!ranThrough) {
        QString why;
        if (interrupted) {
            outcome = why = QStringLiteral("interrupted");
            exitCode = CliExit::kInterrupted;
        } else if (programmer.lineNoisy()) {
            outcome = QStringLiteral("noisy line");
            why = QStringLiteral("the unit does not stop sending");
            exitCode = CliExit::kFailed;
        } else {
            outcome = lost ? QStringLiteral("lost port") : QStringLiteral("no answer");
            why = lost ? QStringLiteral("lost ") + session.portLabel()
                       : QStringLiteral("the unit stopped answering");
            exitCode = CliExit::kNoUnit;
        }
        // Every write done, the table may well be the file's: only the proof is missing.
        const QString state = written == tables::kTableBytes
                                  ? QStringLiteral(
                                        "the rest of the %1 table in the unit is not "
                                        "verified.")
                                  : QStringLiteral("the %1 table in the unit is not the file's.");
        out.error(why + QStringLiteral(": ") + runReached(written, verified, tables::kTableBytes) +
                  QStringLiteral("; ") + state.arg(pinText(request.pin)) + u' ' +
                  backupKept(backup));
        record(exitCode == CliExit::kNoUnit ? unitdata::Outcome::Lost : unitdata::Outcome::Aborted);
    } else if (!failed.isEmpty()) {
        outcome = QStringLiteral("errors");
        exitCode = CliExit::kFailed;
        out.error(QStringLiteral("programming finished with errors at %1 locations: %2")
                      .arg(failed.size())
                      .arg(failed.join(QStringLiteral(", "))));
        record(unitdata::Outcome::Errors, static_cast<int>(failed.size()));
    } else {
        record(unitdata::Outcome::Verified);
    }
    const QString done = exitCode == CliExit::kOk
                             ? QStringLiteral("Programmed and verified the %1 table from %2 on %3")
                                   .arg(pinText(request.pin), name, session.portLabel())
                             : QString();
    out.result({{"pin", request.pin},
                {"file", name},
                {"backup", backup},
                {"outcome", outcome},
                {"written", written},
                {"verified", verified},
                {"failedAddresses", QJsonArray::fromStringList(failed)}},
               done);
    return exitCode;
}

int compare(const CliRequest& request, CliOutput& out) {
    const QString& name = request.arguments[0];
    const std::optional<FileTable> table = tableFromFile(name, request.pin, out);
    if (!table) {
        return CliExit::kUsage;
    }
    if (!takeDoubtful(*table, name, request.force, out)) {
        out.error(QStringLiteral("nothing compared"));
        return CliExit::kUsage;
    }
    UnitSession session(out);
    int exitCode = CliExit::kOk;
    const std::optional<QByteArray> bytes = openAndRead(session, request, out, &exitCode);
    if (!bytes) {
        return exitCode;
    }
    const QList<tables::Difference> differ = tables::differences(
        tables::unitWords(*bytes), tables::unitWords(table->snapshot.toBytes()));
    QJsonArray list;
    for (const tables::Difference& d : differ) {
        list.append(QJsonObject{{"index", d.index}, {"unit", d.unit}, {"table", d.table}});
    }
    const QString differing = QStringLiteral("%1 entries differ from the unit").arg(differ.size());
    QJsonObject result{{"pin", request.pin},
                       {"file", name},
                       {"differences", list},
                       {"outcome", differ.isEmpty() ? "same" : "differ"}};
    if (!differ.isEmpty()) {
        result.insert(QStringLiteral("error"), differing);
    }
    out.result(result, differ.isEmpty() ? QStringLiteral("The unit holds %1's table").arg(name)
                                        : tables::differenceLines(differ).remove(u'\r').trimmed());
    if (!differ.isEmpty()) {
        out.note(differing);
    }
    return differ.isEmpty() ? CliExit::kOk : CliExit::kFailed;
}

int generate(const CliRequest& request, CliOutput& out) {
    if (!request.match.isEmpty()) {
        return generateMatched(request, out);
    }
    tables::LinearTexts texts;
    texts.stoich = request.stoich;
    const double stoich = leadingNumber(request.stoich);
    // The page's start values, converted as its Lambda option converts them.
    const auto start = [&](const QString& given, const QString& afr) {
        return !given.isEmpty() ? given
               : request.lambda ? tables::mixtureToLambda(afr, stoich)
                                : afr;
    };
    if (request.lambda && (request.rich.isEmpty() || request.lean.isEmpty()) &&
        !tables::isUsableStoich(stoich)) {
        out.error(tables::checkMessage(tables::LinearCheck::StoichNotPositive));
        return CliExit::kUsage;
    }
    texts.rich = start(request.rich, tables::kLinearStart.rich);
    texts.lean = start(request.lean, tables::kLinearStart.lean);
    texts.vRich = request.richVolts;
    texts.vLean = request.leanVolts;
    for (qsizetype k = 0; k < request.midMixtures.size(); ++k) {
        texts.midMixture[k] = request.midMixtures[k];
        texts.midVolts[k] = request.midVolts[k];
    }
    texts.vUnder = request.under.value_or(tables::kLinearStart.vUnder);
    texts.vOver = request.over.value_or(tables::kLinearStart.vOver);
    const tables::LinearTable generated = tables::generateLinearTable(tables::readLinearParams(
        texts, static_cast<int>(request.midMixtures.size()),
        request.under.has_value() || request.over.has_value(), !request.lambda));
    if (generated.check != tables::LinearCheck::Ok) {
        out.error(tables::checkMessage(generated.check));
        return CliExit::kUsage;
    }
    return writeGenerated(request, generated.counts, QStringLiteral("Linear Parameters ..."), out);
}

}  // namespace cli
