#include "cli/table_access.h"

#include "cli/cli_output.h"
#include "link/device_link.h"
#include "link/hex_text.h"
#include "link/unit_commands.h"
#include "tables/afr_file_parser.h"
#include "tables/table_doubts.h"
#include "tables/table_file.h"

namespace cli {

QString pinText(int pin) {
    return tables::PinNames[pin];
}

QJsonArray jsonValues(const tables::UnitWords& words) {
    QJsonArray values;
    for (const int v : words) {
        values.append(v);
    }
    return values;
}

std::optional<FileTable> tableFromFile(const QString& name, int pin, CliOutput& out) {
    const tables::FileBytes file = tables::readTableFile(name);
    if (!file.bytes) {
        out.error(file.error);
        return std::nullopt;
    }
    const tables::AfrFileContent content = tables::parseAfrFile(*file.bytes);
    TableModel model;
    model.selectPin(pin);
    model.store({pin, tables::importTable(content).values});
    return FileTable{model.snapshot(), tables::fileDoubts(content, pin)};
}

bool takeDoubtful(const FileTable& table, const QString& name, bool force, CliOutput& out) {
    for (const QString& doubt : table.doubts) {
        force ? out.note(QStringLiteral("warning: %1: %2").arg(name, doubt))
              : out.error(QStringLiteral("%1: %2").arg(name, doubt));
    }
    return force || table.doubts.isEmpty();
}

int startSession(UnitSession& session, const CliRequest& request, CliOutput& out) {
    if (const int failed = session.open(request.port, request.simulate)) {
        return failed;
    }
    if (!session.exchange(UnitCommand::kTraceOff)) {
        out.error(QStringLiteral("no answer to \"tf\" from %1").arg(session.portLabel()));
        return CliExit::kNoUnit;
    }
    return CliExit::kOk;
}

std::optional<QByteArray> readUnitTable(UnitSession& session, int pin, const QString& label,
                                        CliOutput& out, int* exitCode) {
    session.setProgressLabel(label);
    const EepromProgrammer::Read read =
        session.programmer().readTable(tables::TableStartAddr[pin], tables::kTableBytes);
    if (read.ok()) {
        return read.bytes;
    }
    if (session.interrupted()) {
        out.error(QStringLiteral("interrupted while reading the unit's table"));
        *exitCode = CliExit::kInterrupted;
    } else if (!session.link().isOpen()) {
        out.error(
            QStringLiteral("lost %1 while reading the unit's table").arg(session.portLabel()));
        *exitCode = CliExit::kNoUnit;
    } else if (session.programmer().lineNoisy()) {
        out.error(QStringLiteral("the unit on %1 does not stop sending (a trace that \"tf\" does "
                                 "not stop?)")
                      .arg(session.portLabel()));
        *exitCode = CliExit::kFailed;
    } else {
        out.error(QStringLiteral("could not read address %1 from %2")
                      .arg(hex4(read.failedAddress), session.portLabel()));
        *exitCode = session.link().bTimedOut() ? CliExit::kNoUnit : CliExit::kFailed;
    }
    return std::nullopt;
}

std::optional<QByteArray> openAndRead(UnitSession& session, const CliRequest& request,
                                      CliOutput& out, int* exitCode) {
    *exitCode = startSession(session, request, out);
    return *exitCode == CliExit::kOk
               ? readUnitTable(session, request.pin, QStringLiteral("Reading"), out, exitCode)
               : std::nullopt;
}

int writeOrPrint(const QString& path, const QByteArray& text, CliOutput& out) {
    if (path.isEmpty()) {
        out.text(QString::fromUtf8(text));
        return CliExit::kOk;
    }
    if (const QString why = tables::writeWholeFile(path, text); !why.isEmpty()) {
        out.error(QStringLiteral("cannot write %1: %2").arg(path, why));
        return CliExit::kUsage;
    }
    return CliExit::kOk;
}

int writeGenerated(const CliRequest& request, const std::array<qint64, tables::kEntries>& counts,
                   const QString& source, CliOutput& out) {
    for (const QString& doubt : tables::tableDoubts(counts)) {
        out.note(QStringLiteral("warning: ") + doubt);  // written all the same; flash refuses it
    }
    TableModel model;
    model.selectPin(request.pin);
    model.store({request.pin, counts});
    const tables::UnitWords words = tables::unitWords(model.TableData());
    const QByteArray text =
        tables::tableFileText(words, {pinText(request.pin), source, QDateTime::currentDateTime()});
    if (!out.json() || !request.output.isEmpty()) {
        if (const int failed = writeOrPrint(request.output, text, out)) {
            return failed;
        }
    }
    out.result({{"pin", request.pin},
                {"values", jsonValues(words)},
                {"bytes", QString::fromLatin1(model.snapshot().toBytes().toHex())}},
               QString());
    return CliExit::kOk;
}

}  // namespace cli
