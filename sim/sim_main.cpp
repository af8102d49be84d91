// orvex-sim: the simulated unit on a pseudo-terminal. Prints the device path on stdout and
// serves until SIGTERM or SIGINT, saving its EEPROM file on every change and at the end.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <optional>

#include <sys/socket.h>
#include <unistd.h>

#include "sim/eeprom_file.h"
#include "sim/pty_host.h"
#include "sim/simulated_unit.h"
#include "sim/unit_model.h"
#include "sim/unit_runner.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
}

// Signals only write a byte; the event loop reads it and quits, so saving happens outside the
// handler.
bool watchSignals(QObject* parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return false;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t ignored = ::read(g_signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGINT, &action, nullptr) == 0;
}

[[noreturn]] void fail(const QString& message) {
    std::fprintf(stderr, "orvex-sim: %s\n", qPrintable(message));
    std::exit(2);
}

int intOption(const QCommandLineParser& parser, const QString& name, int min = 0) {
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < min) {
        fail(QStringLiteral("--%1 needs a whole number of at least %2").arg(name).arg(min));
    }
    return value;
}

double numberOption(const QCommandLineParser& parser, const QString& name, double min, double max) {
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < min || value > max) {
        fail(QStringLiteral("--%1 needs a number from %2 to %3").arg(name).arg(min).arg(max));
    }
    return value;
}

UnitOptions unitOptions(const QCommandLineParser& parser) {
    UnitOptions options;
    options.versionText = parser.value(QStringLiteral("version-text")).toLatin1();
    const QString style = parser.value(QStringLiteral("reply-style"));
    const auto replyStyle = parseReplyStyle(style);
    if (!replyStyle) {
        fail(QStringLiteral("--reply-style wants standard, colon, no-echo, trailing or lf, not %1")
                 .arg(style));
    }
    options.replyStyle = *replyStyle;
    options.truePoint = intOption(parser, QStringLiteral("true-point"), -65535);
    options.gain = numberOption(parser, QStringLiteral("gain"), -1000, 1000);
    options.noise = intOption(parser, QStringLiteral("noise"));
    bool seedOk = false;
    options.seed = parser.value(QStringLiteral("seed")).toUInt(&seedOk);
    if (!seedOk) {
        fail(QStringLiteral("--seed needs a whole number from 0 to 4294967295"));
    }
    options.silent = parser.isSet(QStringLiteral("silent"));
    options.dropRate = numberOption(parser, QStringLiteral("drop-rate"), 0, 1);
    options.corruptRate = numberOption(parser, QStringLiteral("corrupt-rate"), 0, 1);
    options.lowerCase = parser.isSet(QStringLiteral("lowercase"));
    options.delayMs = intOption(parser, QStringLiteral("delay-ms"));
    options.delayRate = numberOption(parser, QStringLiteral("delay-rate"), 0, 1);
    options.hangUpAfter = intOption(parser, QStringLiteral("hangup-after"));
    options.lateEvery = intOption(parser, QStringLiteral("late-every"));
    options.lateMs = intOption(parser, QStringLiteral("late-ms"));
    options.wrongDigitEvery = intOption(parser, QStringLiteral("wrong-digit-every"));
    options.tracingAtStart = parser.isSet(QStringLiteral("tracing"));
    options.traceAfterStop = intOption(parser, QStringLiteral("trace-after-tf"));
    const QStringList cells = parser.values(QStringLiteral("weak-cell"));
    for (const QString& text : cells) {
        const auto cell = UnitModel::parseWeakCell(text);
        if (!cell) {
            fail(QStringLiteral("--weak-cell wants ADDR:MASK (0..512 : 0..255), not %1").arg(text));
        }
        options.weakCells.append(*cell);
    }
    return options;
}

void defineOptions(QCommandLineParser* parser) {
    const UnitOptions defaults;
    parser->setApplicationDescription(
        QStringLiteral("Simulated Orvex unit on a pseudo-terminal. Prints the device path.\n\n"
                       "The unit behind `orvex-config --simulate` and `orvexctl --simulate` keeps "
                       "its EEPROM\nbetween runs in %1\n($XDG_STATE_HOME/Orvex/, "
                       "~/.local/state/Orvex/ by default); delete that file to start\nit afresh "
                       "from the factory. orvex-sim itself keeps nothing unless given "
                       "--eeprom-file.")
            .arg(SimulatedUnit::defaultStatePath()));
    parser->addHelpOption();
    parser->addVersionOption();
    parser->addOptions({
        {QStringLiteral("link"), QStringLiteral("Also make a symlink to the device."),
         QStringLiteral("path")},
        {QStringLiteral("version-text"), QStringLiteral("Answer to \"v\"."), QStringLiteral("text"),
         QString::fromLatin1(defaults.versionText)},
        {QStringLiteral("reply-style"),
         QStringLiteral("How replies are framed: standard (CR LF, echo, blank, parameter, CR LF), "
                        "colon (\": \" after the echo), no-echo (the parameter alone after a "
                        "blank), trailing (the line, then CR LF twice), lf (LF alone as line "
                        "end, trace lines too)."),
         QStringLiteral("style"), QStringLiteral("standard")},
        {QStringLiteral("trace-interval-ms"),
         QStringLiteral("Send trace lines this often instead of at the speed register's rate "
                        "(0: the register's rate)."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("true-point"), QStringLiteral("Calibration value at which Ipx reads 8192."),
         QStringLiteral("n"), QString::number(defaults.truePoint)},
        {QStringLiteral("gain"), QStringLiteral("Ipx counts per calibration step."),
         QStringLiteral("k"), QString::number(defaults.gain)},
        {QStringLiteral("noise"), QStringLiteral("Ipx varies uniformly within +-n."),
         QStringLiteral("n"), QString::number(defaults.noise)},
        {QStringLiteral("seed"), QStringLiteral("Seed of every random choice."),
         QStringLiteral("n"), QString::number(defaults.seed)},
        {QStringLiteral("eeprom-file"),
         QStringLiteral("Keep the 513 EEPROM bytes in this file (read at start, written on "
                        "every change and at exit)."),
         QStringLiteral("path")},
        {QStringLiteral("no-pacing"),
         QStringLiteral("Send at once instead of at 1920 bytes a second.")},
        {QStringLiteral("silent"), QStringLiteral("Never answer.")},
        {QStringLiteral("drop-rate"), QStringLiteral("Share of replies and trace lines not sent."),
         QStringLiteral("r"), QStringLiteral("0")},
        {QStringLiteral("corrupt-rate"),
         QStringLiteral("Share of replies and trace lines with one character changed."),
         QStringLiteral("r"), QStringLiteral("0")},
        {QStringLiteral("lowercase"), QStringLiteral("Hex letters in lower case.")},
        {QStringLiteral("delay-ms"), QStringLiteral("Hold replies back this long."),
         QStringLiteral("ms"), QString::number(defaults.delayMs)},
        {QStringLiteral("delay-rate"), QStringLiteral("Share of replies held back."),
         QStringLiteral("r"), QString::number(defaults.delayRate)},
        {QStringLiteral("weak-cell"),
         QStringLiteral("EEPROM cell whose mask bits never hold a 1 (repeatable; decimal or 0x)."),
         QStringLiteral("addr:mask")},
        {QStringLiteral("hangup-after"),
         QStringLiteral("Hang up once n commands were received (0: never)."), QStringLiteral("n"),
         QString::number(defaults.hangUpAfter)},
        {QStringLiteral("late-every"),
         QStringLiteral("Hold every n-th reply back by --late-ms (0: none)."), QStringLiteral("n"),
         QString::number(defaults.lateEvery)},
        {QStringLiteral("late-ms"), QStringLiteral("How long --late-every holds a reply back."),
         QStringLiteral("ms"), QStringLiteral("1800")},
        {QStringLiteral("wrong-digit-every"),
         QStringLiteral("Every n-th reply to an EEPROM read names a wrong byte: one of its hex "
                        "digits changed (0: none)."),
         QStringLiteral("n"), QString::number(defaults.wrongDigitEvery)},
        {QStringLiteral("tracing"),
         QStringLiteral("Start tracing, as a unit left tracing by an earlier program.")},
        {QStringLiteral("trace-after-tf"),
         QStringLiteral("Trace lines still sent, on the trace interval, after answering \"tf\"."),
         QStringLiteral("n"), QString::number(defaults.traceAfterStop)},
        {QStringLiteral("log"),
         QStringLiteral("Write each command received as one line to this file (- for stderr)."),
         QStringLiteral("file")},
        {QStringLiteral("fault-counts"),
         QStringLiteral("At exit, write how often each fault struck to this file."),
         QStringLiteral("file")},
        {QStringLiteral("quiet"), QStringLiteral("No notes on stderr, errors only.")},
    });
}

// One line "silence=N drop=N ... straytrace=N", so a test can prove its faults reached the
// program.
void writeFaultCounts(const QString& path, const UnitModel& model) {
    if (path.isEmpty()) {
        return;
    }
    static const char* const kNames[kUnitFaultKinds] = {
        "silence",  "drop",   "corrupt", "lowercase",  "delay",
        "weakcell", "hangup", "late",    "wrongdigit", "straytrace"};
    QByteArray line;
    for (int i = 0; i < kUnitFaultKinds; ++i) {
        line += QByteArray(i ? " " : "") + kNames[i] + '=' +
                QByteArray::number(model.faultCount(static_cast<UnitFault>(i)));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(line + '\n') < 0) {
        std::fprintf(stderr, "orvex-sim: cannot write %s\n", qPrintable(path));
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvex-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION));
    QCommandLineParser parser;
    defineOptions(&parser);
    parser.process(app);
    const bool quiet = parser.isSet(QStringLiteral("quiet"));

    UnitModel model(unitOptions(parser));
    const QString eepromPath = parser.value(QStringLiteral("eeprom-file"));
    QString error;
    if (!eepromPath.isEmpty()) {
        const std::optional<QByteArray> saved = EepromFile::read(eepromPath, &error);
        if (!error.isEmpty()) {
            fail(error);
        }
        if (saved) {
            model.loadEeprom(*saved);
        } else if (!EepromFile::write(eepromPath, model.eeprom(), &error)) {
            fail(error);
        }
    }
    const auto saveEeprom = [&] {
        QString saveError;
        if (!eepromPath.isEmpty() && !EepromFile::write(eepromPath, model.eeprom(), &saveError)) {
            std::fprintf(stderr, "orvex-sim: %s\n", qPrintable(saveError));
        }
    };

    PtyHost host(&model);
    host.setPacing(!parser.isSet(QStringLiteral("no-pacing")));
    host.runner().setTraceIntervalOverride(intOption(parser, QStringLiteral("trace-interval-ms")));
    if (!host.start(&error)) {
        fail(error);
    }
    if (parser.isSet(QStringLiteral("link")) &&
        !host.makeLink(parser.value(QStringLiteral("link")), &error)) {
        fail(error);
    }
    if (!watchSignals(&app)) {
        fail(QStringLiteral("cannot watch SIGTERM and SIGINT"));
    }

    QFile log;
    const QString logPath = parser.value(QStringLiteral("log"));
    if (logPath == QLatin1String("-")) {
        log.open(stderr, QIODevice::WriteOnly);
    } else if (!logPath.isEmpty()) {
        log.setFileName(logPath);
        if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            fail(QStringLiteral("cannot write %1: %2").arg(logPath, log.errorString()));
        }
    }
    QObject::connect(&host.runner(), &UnitRunner::commandReceived, &app,
                     [&log](const QByteArray& command) {
                         if (log.isOpen()) {
                             log.write(command + '\n');
                             log.flush();  // tests read it while we run
                         }
                     });
    QObject::connect(&host.runner(), &UnitRunner::eepromChanged, &app, saveEeprom);
    QObject::connect(&host, &PtyHost::hungUp, &app, [quiet] {
        if (!quiet) {
            std::fprintf(stderr, "orvex-sim: hung up\n");
        }
    });

    std::printf("%s\n", qPrintable(host.devicePath()));
    std::fflush(stdout);
    if (!quiet) {
        std::fprintf(stderr, "orvex-sim: serving on %s\n", qPrintable(host.devicePath()));
    }
    const int status = QCoreApplication::exec();
    saveEeprom();
    writeFaultCounts(parser.value(QStringLiteral("fault-counts")), model);
    return status;
}
