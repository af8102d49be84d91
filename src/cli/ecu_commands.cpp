// orvexctl's commands between the unit and an engine ECU: a pin's table turned round into the
// ECU's lookup (export), and the table that agrees with an ECU's lookup (generate --match).
#include <QDate>
#include <QJsonObject>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/table_access.h"
#include "ecu/ecu_export.h"
#include "ecu/ecu_lookup.h"
#include "link/hex_text.h"
#include "tables/table_file.h"

namespace cli {

int exportForEcu(const CliRequest& request, CliOutput& out) {
    tables::UnitWords table{};
    QString source;
    if (request.fromUnit) {
        UnitSession session(out);
        int exitCode = CliExit::kOk;
        const std::optional<QByteArray> bytes = openAndRead(session, request, out, &exitCode);
        if (!bytes) {
            return exitCode;
        }
        table = tables::unitWords(*bytes);
        source = tables::unitSource(session.simulated());
    } else {
        const QString& name = request.arguments[0];
        const std::optional<FileTable> file = tableFromFile(name, request.pin, out);
        if (!file) {
            return CliExit::kUsage;
        }
        if (!takeDoubtful(*file, name, request.force, out)) {
            out.error(QStringLiteral("nothing exported"));
            return CliExit::kUsage;
        }
        table = tables::unitWords(file->snapshot.toBytes());
        source = ecu::fileSource(name);
    }
    const ecu::Exported lookup =
        ecu::exportLookup(table, {request.format, request.adcBits, leadingNumber(request.stoich),
                                  pinText(request.pin), source, QDate::currentDate()});
    if (!lookup.error.isEmpty()) {
        out.error(lookup.error);
        return CliExit::kUsage;
    }
    if (!out.json() || !request.output.isEmpty()) {
        if (const int failed = writeOrPrint(request.output, lookup.text, out)) {
            return failed;
        }
    }
    const bool csv = request.format == ecu::Format::Csv;
    QJsonObject result{{"pin", request.pin},
                       {"format", ecu::formatName(request.format)},
                       {"adcBits", csv ? 0 : request.adcBits},
                       {"source", source}};
    if (request.output.isEmpty()) {
        result.insert(QStringLiteral("text"), QString::fromUtf8(lookup.text));
    } else {
        out.note(QStringLiteral("Saved the ECU lookup of the %1 table to %2")
                     .arg(pinText(request.pin), request.output));
    }
    out.result(result, QString());
    return CliExit::kOk;
}

int generateMatched(const CliRequest& request, CliOutput& out) {
    const tables::FileBytes file = tables::readTableFile(request.match);
    if (!file.bytes) {
        out.error(file.error);
        return CliExit::kUsage;
    }
    const ecu::Lookup lookup = ecu::readLookup(*file.bytes);
    const ecu::Match matched = ecu::matchLookup(lookup, leadingNumber(request.stoich));
    if (!matched.error.isEmpty()) {
        out.error(request.match + QStringLiteral(": ") + matched.error);
        return CliExit::kUsage;
    }
    out.note((matched.limited > 0 ? QStringLiteral("warning: ") : QString()) +
             ecu::matchSummary(lookup, matched));
    out.result({{"limited", matched.limited}}, QString());
    return writeGenerated(request, matched.counts, QStringLiteral("Match ECU Lookup File ..."),
                          out);
}

}  // namespace cli
