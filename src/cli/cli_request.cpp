#include "cli/cli_request.h"

#include <QCommandLineParser>
#include <QLocale>
#include <QMap>
#include <QSet>

#include "tables/table_defaults.h"
#include "tables/table_file.h"
#include "unitdata/output_test.h"

namespace {

// The options each command takes beyond the global ones.
const QMap<QString, QSet<QString>> kCommandOptions{
    {QStringLiteral("ports"), {}},
    {QStringLiteral("doctor"), {}},
    {QStringLiteral("info"), {}},
    {QStringLiteral("send"), {}},
    {QStringLiteral("trace"), {"seconds", "output", "csv"}},
    {QStringLiteral("read"), {"pin", "output"}},
    {QStringLiteral("flash"), {"pin", "no-backup", "force"}},
    {QStringLiteral("compare"), {"pin", "force"}},
    {QStringLiteral("calibration"), {"set"}},
    {QStringLiteral("generate"),
     {"pin", "output", "rich", "lean", "mid", "lambda", "stoich", "under", "over", "match"}},
    {QStringLiteral("export"),
     {"pin", "output", "format", "adc-bits", "from-unit", "stoich", "force"}},
    {QStringLiteral("backups"), {"pin"}},
    {QStringLiteral("restore"), {"pin", "no-backup", "force"}},
    {QStringLiteral("history"), {}},
    {QStringLiteral("test-output"), {"pin", "volts", "restore", "ecu-reads", "stoich"}},
};

std::optional<double> number(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? std::optional(value) : std::nullopt;
}

int pinNumber(const QString& text) {
    for (int pin = 1; pin < tables::kPinItems; ++pin) {
        if (text == QString::number(pin) ||
            text.compare(tables::pinShortName(pin), Qt::CaseInsensitive) == 0) {
            return pin;
        }
    }
    return 0;
}

// "MIX" or "MIX:VOLTS" into the two boxes; false when either is no number.
bool mixturePoint(const QString& text, QString* mixture, QString* volts, bool voltsNeeded) {
    const QStringList parts = text.split(u':');
    if (parts.size() > 2 || (voltsNeeded && parts.size() != 2)) {
        return false;
    }
    for (const QString& part : parts) {
        if (!number(part)) {
            return false;
        }
    }
    *mixture = parts[0].trimmed();
    if (parts.size() == 2) {
        *volts = parts[1].trimmed();
    }
    return true;
}

}  // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const auto value = [](const char* name, const char* valueName) {
        return QCommandLineOption(QLatin1String(name), QString(), QLatin1String(valueName));
    };
    const auto flag = [](const char* name) { return QCommandLineOption(QLatin1String(name)); };
    p.addOptions({value("port", "port"),
                  flag("json"),
                  flag("quiet"),
                  flag("simulate"),
                  QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
                  flag("version"),
                  value("pin", "n"),
                  QCommandLineOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                     QString(), QStringLiteral("file")),
                  value("seconds", "n"),
                  value("set", "v"),
                  flag("no-backup"),
                  flag("force"),
                  value("rich", "p"),
                  value("lean", "p"),
                  value("mid", "p"),
                  flag("lambda"),
                  value("stoich", "afr"),
                  value("under", "v"),
                  value("over", "v"),
                  value("match", "file"),
                  flag("from-unit"),
                  value("format", "f"),
                  value("adc-bits", "n"),
                  value("volts", "v"),
                  flag("restore"),
                  value("ecu-reads", "v")});
    p.addOption(flag("csv"));
    ParsedCommandLine parsed;
    if (!p.parse(arguments)) {
        parsed.error = p.errorText();
        return parsed;
    }
    if (p.isSet(QStringLiteral("help"))) {
        parsed.text = cliUsage();
        return parsed;
    }
    if (p.isSet(QStringLiteral("version"))) {
        parsed.text = QStringLiteral("orvexctl ") + QStringLiteral(ORVEX_VERSION) + u'\n';
        return parsed;
    }
    QStringList positional = p.positionalArguments();
    if (positional.isEmpty()) {
        parsed.error = QStringLiteral("no command given (see orvexctl --help)");
        return parsed;
    }
    CliRequest r;
    r.command = positional.takeFirst();
    r.arguments = positional;
    if (!kCommandOptions.contains(r.command)) {
        parsed.error =
            QStringLiteral("unknown command \"%1\" (see orvexctl --help)").arg(r.command);
        return parsed;
    }
    const QSet<QString> global{"port", "json", "quiet", "simulate"};
    // A value given twice is one too many to guess from (--pin 1 --pin 3); --mid may repeat.
    const QSet<QString> repeatable{"mid",       "json",  "quiet", "simulate",
                                   "no-backup", "force", "lambda"};
    QSet<QString> seen;
    for (const QString& name : p.optionNames()) {
        const QString option = name == QLatin1String("o") ? QStringLiteral("output") : name;
        if (!global.contains(name) && !kCommandOptions[r.command].contains(option)) {
            parsed.error = QStringLiteral("%1 takes no --%2").arg(r.command, option);
            return parsed;
        }
        if (seen.contains(option) && !repeatable.contains(option)) {
            parsed.error = QStringLiteral("--%1 given more than once").arg(option);
            return parsed;
        }
        seen.insert(option);
    }
    r.port = p.value(QStringLiteral("port"));
    r.json = p.isSet(QStringLiteral("json"));
    r.quiet = p.isSet(QStringLiteral("quiet"));
    r.simulate = p.isSet(QStringLiteral("simulate"));
    if (r.simulate && r.command == QLatin1String("doctor")) {
        parsed.error = QStringLiteral("doctor looks at the real ports, not --simulate");
        return parsed;
    }
    r.output = p.value(QStringLiteral("output"));
    r.noBackup = p.isSet(QStringLiteral("no-backup"));
    r.force = p.isSet(QStringLiteral("force"));
    r.lambda = p.isSet(QStringLiteral("lambda"));
    r.csv = p.isSet(QStringLiteral("csv"));
    if (r.csv && r.json && r.output.isEmpty()) {
        parsed.error = QStringLiteral("trace --csv with --json needs -o FILE for the rows");
        return parsed;
    }

    const QSet<QString> needPin{"read",   "flash",   "compare",    "generate",
                                "export", "restore", "test-output"};
    if (needPin.contains(r.command) || p.isSet(QStringLiteral("pin"))) {
        r.pin = pinNumber(p.value(QStringLiteral("pin")));
        if (r.pin == 0) {
            parsed.error =
                QStringLiteral("%1 needs --pin 1, 2 or 3 (WBlin, SVout, NBout)").arg(r.command);
            return parsed;
        }
    }
    const QSet<QString> oneFile{"flash", "compare", "restore"};
    if (oneFile.contains(r.command) && r.arguments.size() != 1) {
        parsed.error = QStringLiteral("%1 needs one table file").arg(r.command);
        return parsed;
    }
    if (r.command == QLatin1String("send") && r.arguments.isEmpty()) {
        parsed.error = QStringLiteral("send needs at least one command text");
        return parsed;
    }
    const bool exporting = r.command == QLatin1String("export");
    r.fromUnit = p.isSet(QStringLiteral("from-unit"));
    if (exporting && r.arguments.size() != (r.fromUnit ? 0 : 1)) {
        parsed.error = r.fromUnit && !r.arguments.isEmpty()
                           ? QStringLiteral("export takes a table file or --from-unit, not both")
                           : QStringLiteral("export needs one table file, or --from-unit");
        return parsed;
    }
    if (exporting) {
        const std::optional<ecu::Format> format =
            ecu::formatNamed(p.value(QStringLiteral("format")));
        if (!format) {
            parsed.error = QStringLiteral("export needs --format csv, db or dw");
            return parsed;
        }
        r.format = *format;
        const QString bits = p.value(QStringLiteral("adc-bits"));
        if (p.isSet(QStringLiteral("adc-bits")) &&
            (r.format == ecu::Format::Csv || (bits != u"8" && bits != u"10"))) {
            parsed.error = QStringLiteral("--adc-bits takes 8 or 10, with --format db or dw");
            return parsed;
        }
        r.adcBits = bits == u"10" ? 10 : 8;
    }
    r.match = p.value(QStringLiteral("match"));
    for (const char* linear : {"rich", "lean", "mid", "lambda", "under", "over"}) {
        if (p.isSet(QStringLiteral("match")) && p.isSet(QLatin1String(linear))) {
            parsed.error = QStringLiteral("--match takes no --%1").arg(linear);
            return parsed;
        }
    }
    if (!oneFile.contains(r.command) && r.command != QLatin1String("send") && !exporting &&
        !r.arguments.isEmpty()) {
        parsed.error = QStringLiteral("%1 takes no argument \"%2\"").arg(r.command, r.arguments[0]);
        return parsed;
    }
    if (p.isSet(QStringLiteral("seconds"))) {
        r.seconds = number(p.value(QStringLiteral("seconds")));
        if (!r.seconds || *r.seconds <= 0) {
            parsed.error = QStringLiteral("--seconds needs a number above 0");
            return parsed;
        }
    }
    if (p.isSet(QStringLiteral("set"))) {
        bool ok = false;
        const int v = p.value(QStringLiteral("set")).trimmed().toInt(&ok);
        if (!ok || v < 0 || v > 5000) {
            parsed.error = QStringLiteral("--set needs a whole number from 0 to 5000, not \"%1\"")
                               .arg(p.value(QStringLiteral("set")));
            return parsed;
        }
        r.setValue = v;
    }
    if (p.isSet(QStringLiteral("rich")) &&
        !mixturePoint(p.value(QStringLiteral("rich")), &r.rich, &r.richVolts, false)) {
        parsed.error = QStringLiteral("--rich needs MIX or MIX:VOLTS, e.g. 10:0");
        return parsed;
    }
    if (p.isSet(QStringLiteral("lean")) &&
        !mixturePoint(p.value(QStringLiteral("lean")), &r.lean, &r.leanVolts, false)) {
        parsed.error = QStringLiteral("--lean needs MIX or MIX:VOLTS, e.g. 20:5");
        return parsed;
    }
    const QStringList mids = p.values(QStringLiteral("mid"));
    if (mids.size() > 2) {
        parsed.error = QStringLiteral("at most two --mid points");
        return parsed;
    }
    for (const QString& mid : mids) {
        QString mixture, volts;
        if (!mixturePoint(mid, &mixture, &volts, true)) {
            parsed.error = QStringLiteral("--mid needs MIX:VOLTS, e.g. 14.7:2.5");
            return parsed;
        }
        r.midMixtures << mixture;
        r.midVolts << volts;
    }
    for (const char* name : {"stoich", "under", "over"}) {
        const QString v = p.value(QLatin1String(name));
        if (p.isSet(QLatin1String(name)) && !number(v)) {
            parsed.error = QStringLiteral("--%1 needs a number, not \"%2\"").arg(name, v);
            return parsed;
        }
    }
    if (p.isSet(QStringLiteral("stoich"))) {
        r.stoich = p.value(QStringLiteral("stoich")).trimmed();
    }
    if (p.isSet(QStringLiteral("under"))) {
        r.under = p.value(QStringLiteral("under")).trimmed();
    }
    if (p.isSet(QStringLiteral("over"))) {
        r.over = p.value(QStringLiteral("over")).trimmed();
    }
    if (r.command == QLatin1String("test-output")) {
        const int ways = int(p.isSet(QStringLiteral("volts"))) +
                         int(p.isSet(QStringLiteral("restore"))) +
                         int(p.isSet(QStringLiteral("ecu-reads")));
        r.testVolts = unitdata::readTestVolts(p.value(QStringLiteral("volts")));
        r.restoreTest = p.isSet(QStringLiteral("restore"));
        r.ecuReads = unitdata::readShownVolts(p.value(QStringLiteral("ecu-reads")));
        parsed.error =
            ways != 1 ? QStringLiteral(
                            "test-output needs one of --volts V, --ecu-reads W and "
                            "--restore")
            : p.isSet(QStringLiteral("volts")) && !r.testVolts
                ? QStringLiteral("--volts needs 0.00 to 5.00 in steps of 0.01, not \"%1\"")
                      .arg(p.value(QStringLiteral("volts")))
            : p.isSet(QStringLiteral("ecu-reads")) && !r.ecuReads
                ? QStringLiteral("--ecu-reads needs a voltage, not \"%1\"")
                      .arg(p.value(QStringLiteral("ecu-reads")))
                : QString();
        if (!parsed.error.isEmpty()) {
            return parsed;
        }
    }
    parsed.request = r;
    return parsed;
}
