#include "cli/cli_request.h"

#include <QCommandLineParser>
#include <QLocale>
#include <QMap>
#include <QSet>

#include "tables/table_defaults.h"
#include "tables/table_file.h"
#include "unitdata/output_test.h"

namespace {

const QString kUsage = QStringLiteral(
    "Usage: orvexctl [--port COMn|PATH] [--simulate] [--json] [--quiet] COMMAND ...\n"
    "\n"
    "Talks to an Orvex unit on a serial port (19200 8N1) without a window. The port is a COM\n"
    "name (through the window's port map: the [Ports] entries of its settings file, then the\n"
    "devices found) or a device path; without --port, the port the window last used.\n"
    "\n"
    "Commands:\n"
    "  ports                       list the COM names and devices\n"
    "  doctor                      why a port does not open: for the --port given, or every\n"
    "                              port, what the system knows of it (device, USB maker,\n"
    "                              product, serial number, id) and each cause found with its\n"
    "                              fix; exit 0 when every port checked can be opened, else 1\n"
    "  info                        greet the unit (\"tf\", \"v\") and print its firmware version\n"
    "  send TEXT...                send commands, print each reply\n"
    "  trace [--seconds N] [-o F]  print (or save to F) the trace until N seconds or Ctrl+C\n"
    "        [--csv]               as the window's CSV log: a row per line, time,ipx,field2,\n"
    "                              field3,field4,note (fields in decimal, other text as a note)\n"
    "  read --pin N [-o FILE]      read the pin's table from the unit as a table file\n"
    "  flash --pin N FILE          back up, program and verify a table file\n"
    "        [--no-backup] [--force]\n"
    "  compare --pin N FILE        exit 0 when the unit holds exactly FILE's table\n"
    "        [--force]\n"
    "  calibration [--set V]       print, or set and save, the calibration value (0..5000)\n"
    "  generate --pin N [-o FILE]  a linear table as on the \"AFR Tables\" page, no unit needed:\n"
    "        [--rich MIX[:VOLTS]] [--lean MIX[:VOLTS]] [--mid MIX:VOLTS]...\n"
    "        [--lambda] [--stoich AFR] [--under VOLTS] [--over VOLTS]\n"
    "     or --match LOOKUP [--stoich AFR]: the table that agrees with an ECU's lookup file\n"
    "        (DB or DW lines, 256 or 1024 of them, or CSV pairs volts,afr / volts,lambda);\n"
    "        breakpoints beyond the lookup's mixtures get the volts of its nearest end\n"
    "  export --pin N FILE|--from-unit --format csv|db|dw\n"
    "        [--adc-bits 8|10] [--stoich AFR] [-o OUT] [--force]\n"
    "        the table (a table file, or the unit's) turned round for the ECU that reads the\n"
    "        pin: the mixture at each voltage. csv: volts,lambda,afr every 0.05 V; db: DB\n"
    "        lines of AFR x 10; dw: DW lines of AFR x 100; a line per count of an 8-bit (256\n"
    "        lines) or 10-bit (1024) ADC\n"
    "  backups [--pin N]           list the backups, newest first, and which cannot be restored\n"
    "  restore --pin N BACKUP      back up, then program and verify a backup of the pin\n"
    "        [--no-backup] [--force]\n"
    "  history                     print the flash history: every flash and restore\n"
    "  test-output --pin N --volts V\n"
    "                              back up the pin's table, then hold its output at V volts\n"
    "                              (0.00 to 5.00) with a flat table, verified\n"
    "  test-output --pin N --ecu-reads W [--stoich AFR]\n"
    "                              the offset the ECU reads while the pin is held, in volts and\n"
    "                              as mixture at that point of the pin's own table\n"
    "  test-output --pin N --restore\n"
    "                              put the pin's own table back, verified; the test ends then\n"
    "                              (restore --pin N with the test's backup does the same)\n"
    "\n"
    "Pins: 1 WBlin (12 bit DAC), 2 SVout (10 bit PWM), 3 NBout (10 bit PWM); the short name\n"
    "works too. Mixtures are AFR unless --lambda; defaults are the page's: rich 9.00 at 0.00 V,\n"
    "lean 19.00 at 5.00 V, stoich 14.70. Numbers use \".\" whatever the locale.\n"
    "\n"
    "flash, compare and export refuse a table file that looks wrong (a heading line, an\n"
    "index column, volts, values above 4095, numbers running into letters, another pin's\n"
    "saved table, lines without a number, a count other than 65, all values equal), say\n"
    "why and how to fix it, and exit 2. As a last resort, --force takes the file as it is.\n"
    "\n"
    "restore refuses, and exits 2, a backup that is not exactly as saved (truncated, edited by\n"
    "hand), a simulated unit's backup for a real unit, and a backup of another pin than --pin\n"
    "(--force restores that one all the same). read says what the table is: one of the built-in\n"
    "tables, a table the history says was flashed, a backup, or a table of its own.\n"
    "\n"
    "Examples:\n"
    "  orvexctl ports\n"
    "  orvexctl doctor --port COM1\n"
    "  orvexctl --port COM3 info\n"
    "  orvexctl --port /dev/ttyUSB0 send v g3c\n"
    "  orvexctl trace --seconds 10 -o ipx.log\n"
    "  orvexctl trace --csv --seconds 60 -o ipx.csv\n"
    "  orvexctl read --pin 1 -o wblin-before.txt\n"
    "  orvexctl flash --pin WBlin wblin.txt\n"
    "  orvexctl --json compare --pin 1 wblin.txt\n"
    "  orvexctl calibration --set 3630\n"
    "  orvexctl generate --pin 1 --rich 10:0 --lean 20:5 --mid 14.7:2.5 -o wblin.txt\n"
    "  orvexctl export --pin 1 wblin.txt --format db --adc-bits 10 -o wblin.inc\n"
    "  orvexctl generate --pin 2 --match ecu-lookup.inc -o svout.txt\n"
    "  orvexctl --simulate flash --pin 1 wblin.txt\n"
    "  orvexctl backups --pin 1\n"
    "  orvexctl restore --pin 1 ~/.local/share/Orvex/backups/2026-12-06_14-03-22_WBlin.txt\n"
    "\n"
    "Progress and messages go to stderr; results to stdout. With --json (anywhere on the line)\n"
    "every run prints exactly one JSON object on stdout, failures and usage errors included:\n"
    "  outcome  ok, failed, refused, no unit, interrupted (after the exit code); flash once\n"
    "           writing: verified, errors, no answer, lost port, interrupted; compare: same,\n"
    "           differ\n"
    "  error    on failure: the messages printed on stderr\n"
    "  and the command's result, e.g.\n"
    "  send     replies: [{command, reply, parameter}, ...]\n"
    "  trace    lines: [the lines] (with -o: file, and lines as a count; --csv needs -o)\n"
    "  read     pin, values (65 entries), bytes (130, hex), identity\n"
    "  doctor   ports: [{name, device, usb, opens, summary, findings: [{case, text, fix}]}]\n"
    "  generate pin, values, bytes; with --match also limited (breakpoints at its ends)\n"
    "  export   pin, format, adcBits, source, and text (the lookup) unless -o\n"
    "  backups  backups: [{path, time, pin, source, restorable, problem}, ...]\n"
    "  history  history: [{time, program, kind, port, pin, source, bytes, backup, outcome}, ...]\n"
    "  test-output  the flash's keys and volts, backup (the pin's own table), restore (the\n"
    "           command that puts it back); with --ecu-reads: pin, volts, ecuReads, offset, text\n"
    "Exit codes: 0 success; 1 the unit answered but the operation failed (verify errors,\n"
    "differences, a bad calibration value; doctor: a port that cannot be opened); 2 usage or\n"
    "file errors; 3 no port or no answer;\n"
    "130 interrupted by Ctrl+C, SIGTERM or a closed terminal (SIGHUP); a flash then says what\n"
    "was written. Backups of the unit's table before each flash go to\n"
    "~/.local/share/Orvex/backups ($XDG_DATA_HOME/Orvex/backups); every flash and restore adds a\n"
    "line to ~/.local/share/Orvex/history.tsv. A pin under an output test is recorded in\n"
    "~/.local/share/Orvex/output-test.json until its own table is back.\n"
    "\n"
    "--simulate: a simulated unit, shared with orvex-config --simulate, whose EEPROM is kept in\n"
    "~/.local/state/Orvex/simulated-unit.eeprom ($XDG_STATE_HOME/Orvex/; delete it to start\n"
    "afresh). Its backups go to the backups folder's \"simulated\" folder.\n");

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
        parsed.text = kUsage;
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
