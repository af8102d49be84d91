// orvexctl's commands that talk with the unit line by line: ports, info, send, trace and the
// calibration value.
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>

#include "calibration/calibration_value.h"
#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/unit_session.h"
#include "console/trace_csv.h"
#include "link/device_link.h"
#include "link/hex_text.h"
#include "link/qt_serial_port.h"
#include "link/reply_text.h"
#include "link/settings_store.h"
#include "link/unit_commands.h"

namespace cli {

namespace {

QString stateText(ProbeResult probe) {
    switch (probe) {
        case ProbeResult::Available:
            return QStringLiteral("available");
        case ProbeResult::Busy:
            return QStringLiteral("busy");
        case ProbeResult::NoPermission:
            return QStringLiteral("no permission (join the dialout group)");
        case ProbeResult::Missing:
            break;
    }
    return QStringLiteral("missing");
}

int noAnswer(CliOutput& out, const UnitSession& session, const QString& command) {
    out.error(QStringLiteral("no answer to \"%1\" from %2").arg(command, session.portLabel()));
    return CliExit::kNoUnit;
}

}  // namespace

int run(const CliRequest& request, CliOutput& out) {
    if (request.command == QLatin1String("doctor")) {
        return doctor(request, out);
    }
    using Command = int (*)(const CliRequest&, CliOutput&);
    static const QMap<QString, Command> commands{{QStringLiteral("ports"), ports},
                                                 {QStringLiteral("info"), info},
                                                 {QStringLiteral("send"), send},
                                                 {QStringLiteral("trace"), trace},
                                                 {QStringLiteral("calibration"), calibration},
                                                 {QStringLiteral("read"), read},
                                                 {QStringLiteral("flash"), flash},
                                                 {QStringLiteral("compare"), compare},
                                                 {QStringLiteral("generate"), generate},
                                                 {QStringLiteral("export"), exportForEcu},
                                                 {QStringLiteral("backups"), backups},
                                                 {QStringLiteral("restore"), restore},
                                                 {QStringLiteral("history"), history},
                                                 {QStringLiteral("test-output"), testOutput}};
    return commands.value(request.command, generate)(request, out);
}

int ports(const CliRequest&, CliOutput& out) {
    const SettingsStore settings;
    QtPortProber prober;
    const PortMap map = buildPortMap({}, settings.ports(), prober.discover());
    const QString saved = settings.keySetting(QStringLiteral("port"));
    QJsonArray list;
    QStringList lines;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString name = comName(it.key());
        const QString state = stateText(prober.probe(it.value()));
        list.append(QJsonObject{
            {"name", name}, {"device", it.value()}, {"state", state}, {"saved", name == saved}});
        lines << QStringLiteral("%1  %2  %3%4")
                     .arg(name, it.value(), state,
                          name == saved ? QStringLiteral("  (saved)") : QString());
    }
    if (map.isEmpty()) {
        out.note(QStringLiteral("No serial ports found."));
    }
    out.result({{"ports", list}}, lines.join(u'\n'));
    return CliExit::kOk;
}

int info(const CliRequest& request, CliOutput& out) {
    UnitSession session(out);
    if (const int failed = session.open(request.port, request.simulate)) {
        return failed;
    }
    out.note(QStringLiteral("Orvex unit on ") + session.portLabel());
    out.result({{"port", session.portLabel()}, {"version", session.firmwareVersion()}},
               session.firmwareVersion());
    return CliExit::kOk;
}

int send(const CliRequest& request, CliOutput& out) {
    UnitSession session(out);
    if (const int failed = session.open(request.port, request.simulate)) {
        return failed;
    }
    QJsonArray replies;
    for (const QString& command : request.arguments) {
        if (session.interrupted()) {
            out.error(QStringLiteral("interrupted before \"%1\"").arg(command));
            return CliExit::kInterrupted;
        }
        const std::optional<QString> reply = session.exchange(command);
        if (!reply) {
            return noAnswer(out, session, command);
        }
        const QString line = reply->simplified();
        replies.append(QJsonObject{{"command", command},
                                   {"reply", line},
                                   {"parameter", replyParameter(*reply).toString()}});
        out.result({{"replies", replies}}, line);  // the replies so far, also after a failure
    }
    return CliExit::kOk;
}

int trace(const CliRequest& request, CliOutput& out) {
    UnitSession session(out);
    if (const int failed = session.open(request.port, request.simulate)) {
        return failed;
    }
    DeviceLink& link = session.link();
    // As "Start Trace" does: stop, STAT-ASCII mode, the version heading the lines, then start.
    for (const QString& command : {UnitCommand::kTraceOff, UnitCommand::kStatAsciiMode}) {
        if (!session.exchange(command)) {
            return noAnswer(out, session, command);
        }
    }
    // Emptied only now that a unit answers: a failed start leaves an earlier trace there.
    QFile file(request.output);
    if (!request.output.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out.error(QStringLiteral("cannot write %1: %2").arg(request.output, file.errorString()));
        return CliExit::kUsage;
    }
    QByteArray pending;
    qint64 lines = 0;
    QJsonArray jsonLines;
    bool writeFailed = false;
    TraceCsv csv;  // the rows the window's CSV log writes
    const LogClock rowClock;
    const auto writeRows = [&](const QByteArray& rows) {
        if (rows.isEmpty()) {
            return;
        }
        lines += rows.count('\n');
        if (file.isOpen() && !writeFailed) {
            writeFailed = file.write(rows) != rows.size() || !file.flush();
        } else if (!file.isOpen()) {
            out.text(QString::fromLatin1(rows));
        }
    };
    if (request.csv) {
        writeRows(TraceCsv::kHeader);
        lines = 0;
    }
    const QMetaObject::Connection receiving =
        QObject::connect(&link, &DeviceLink::received, &link, [&](const QByteArray& bytes) {
            if (request.csv) {
                writeRows(csv.take(bytes, rowClock.now()));
                return;
            }
            if (file.isOpen() && !writeFailed) {
                // Bytes as they came, as the window's traffic log keeps them.
                writeFailed = file.write(bytes) != bytes.size() || !file.flush();
            }
            pending += bytes;
            for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
                const QString line = QString::fromLatin1(pending.left(end)).remove(u'\r');
                pending.remove(0, end + 1);
                if (line.isEmpty()) {
                    continue;
                }
                ++lines;
                if (!file.isOpen()) {
                    out.json() ? jsonLines.append(line) : out.text(line + u'\n');
                }
            }
        });
    const auto summary = [&] {
        out.result(file.isOpen() ? QJsonObject{{"file", request.output}, {"lines", lines}}
                                 : QJsonObject{{"lines", jsonLines}},
                   QString());
    };
    if (!session.exchange(UnitCommand::kVersion)) {
        summary();
        return noAnswer(out, session, UnitCommand::kVersion);
    }
    link.TxString(UnitCommand::kTraceOn);
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = request.seconds ? qint64(*request.seconds * 1000) : -1;
    while (!session.interrupted() && link.isOpen() && !writeFailed &&
           (limitMs < 0 || clock.elapsed() < limitMs)) {
        DeviceLink::waitForEvents();  // the tick wakes it at least every 100 ms
    }
    QObject::disconnect(receiving);
    if (request.csv) {
        writeRows(csv.finish(rowClock.now()));
    }
    summary();
    if (!link.isOpen()) {
        out.error(QStringLiteral("lost %1 after %2 lines").arg(session.portLabel()).arg(lines));
        return CliExit::kNoUnit;
    }
    session.exchange(UnitCommand::kTraceOff);
    if (writeFailed) {
        out.error(QStringLiteral("cannot write %1: %2").arg(request.output, file.errorString()));
        return CliExit::kUsage;
    }
    if (file.isOpen()) {
        out.note(QStringLiteral("%1 lines saved to %2").arg(lines).arg(request.output));
    }
    return CliExit::kOk;
}

int calibration(const CliRequest& request, CliOutput& out) {
    UnitSession session(out);
    if (const int failed = session.open(request.port, request.simulate)) {
        return failed;
    }
    const auto word = [&](const QString& command) -> std::optional<int> {
        const std::optional<QString> reply = session.exchange(command);
        return reply ? std::optional(hexVal(replyParameter(*reply))) : std::nullopt;
    };
    if (request.setValue) {
        const int v = *request.setValue;
        // Each command's reply is awaited, so none is taken for the next one's.
        for (const QString& command : {UnitCommand::setCalHigh(v), UnitCommand::setCalLow(v),
                                       UnitCommand::kBinaryModeForSave}) {
            if (!session.exchange(command)) {
                out.error(QStringLiteral("no answer to \"%1\" from %2; nothing saved")
                              .arg(command, session.portLabel()));
                return CliExit::kNoUnit;
            }
        }
        session.exchange(UnitCommand::kWriteCalibration);  // the read-back below tells
    }
    // Read back as "Last" does: mode, speed, CAL-ASCII mode, then the two bytes.
    if (!word(UnitCommand::kReadMode)) {
        return noAnswer(out, session, UnitCommand::kReadMode);
    }
    session.exchange(UnitCommand::kSpeed05);
    session.exchange(UnitCommand::kCalAsciiMode);
    const std::optional<int> high = word(UnitCommand::kReadCalHigh);
    const std::optional<int> low = word(UnitCommand::kReadCalLow);
    if (!high || !low) {
        return noAnswer(out, session, high ? UnitCommand::kReadCalLow : UnitCommand::kReadCalHigh);
    }
    const CalValue::ReadBack value = CalValue::fromRegisters(*high, *low);
    if (!value.valid) {
        out.error(QStringLiteral("Bad calibration value %1 from %2")
                      .arg(value.value)
                      .arg(session.portLabel()));
        return CliExit::kFailed;
    }
    if (request.setValue && value.value != *request.setValue) {
        out.error(QStringLiteral("the unit on %1 holds %2 after saving %3")
                      .arg(session.portLabel())
                      .arg(value.value)
                      .arg(*request.setValue));
        return CliExit::kFailed;
    }
    if (request.setValue) {
        out.note(QStringLiteral("Calibration value %1 saved and read back").arg(value.value));
    }
    out.result({{"value", value.value}, {"saved", request.setValue.has_value()}},
               QString::number(value.value));
    return CliExit::kOk;
}

}  // namespace cli
