#include "app/command_line.h"

#include <QCommandLineParser>

namespace {

const QString kHelp = QStringLiteral(
    "Usage: orvex-config [--simulate] [--port-map COMn=PATH]...\n"
    "\n"
    "Orvex Configuration Utility: talks to an Orvex wideband controller on a serial port\n"
    "(19200 8N1), calibrates its sensor in free air and programs its three output tables with\n"
    "read-back verification. Needs a graphical desktop; orvexctl does the same from a shell.\n"
    "\n"
    "Options:\n"
    "  --simulate            attach a simulated unit and open it at start-up (no hardware);\n"
    "                        it keeps its EEPROM in ~/.local/state/Orvex/simulated-unit.eeprom\n"
    "                        ($XDG_STATE_HOME/Orvex/; delete it to start afresh)\n"
    "  --port-map COMn=PATH  give a COM name a device, e.g. COM3=/dev/ttyUSB0 (repeatable;\n"
    "                        before the [Ports] group of ~/.config/Orvex/CONF.ini)\n"
    "  -h, --help            show this text\n"
    "  -v, --version         show the program's version\n"
    "\n"
    "Qt's own options (-platform, -style, -stylesheet, -reverse, ...) are passed to Qt.\n");

// QGuiApplication and QApplication take these from argv themselves; the first group takes a value.
const QStringList kQtOptionsWithValue =
    QStringLiteral(
        "platform platformpluginpath platformtheme plugin qwindowgeometry qwindowicon "
        "qwindowtitle geometry title icon display name session style stylesheet "
        "qmljsdebugger")
        .split(u' ');
const QStringList kQtFlags{"reverse", "widgetcount", "nograb", "dograb", "sync"};

CommandLine answer(CommandLine::Action action, const QString& text) {
    CommandLine line;
    line.action = action;
    line.text = text;
    return line;
}

CommandLine refuse(const QString& reason) {
    return answer(CommandLine::Action::Refuse,
                  QStringLiteral("orvex-config: ") + reason +
                      QStringLiteral("\nTry 'orvex-config --help' for the options.\n"));
}

}  // namespace

CommandLine parseWindowCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's options are single-dash words; read them as such rather than as bundled letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help", "?"}, {});
    const QCommandLineOption version({"v", "version"}, {});
    const QCommandLineOption simulate(QStringLiteral("simulate"), {});
    const QCommandLineOption portMap(QStringLiteral("port-map"), {}, QStringLiteral("COMn=PATH"));
    parser.addOptions({help, version, simulate, portMap});
    for (const QString& name : kQtOptionsWithValue) {
        parser.addOption(QCommandLineOption(name, {}, QStringLiteral("value")));
    }
    for (const QString& name : kQtFlags) {
        parser.addOption(QCommandLineOption(name, {}));
    }

    if (!parser.parse(arguments)) {
        return refuse(parser.errorText());
    }
    if (parser.isSet(help)) {
        return answer(CommandLine::Action::Help, kHelp);
    }
    if (parser.isSet(version)) {
        return answer(CommandLine::Action::Version,
                      QStringLiteral("orvex-config ") + QStringLiteral(ORVEX_VERSION) + u'\n');
    }
    if (!parser.positionalArguments().isEmpty()) {
        return refuse(QStringLiteral("unexpected argument '%1'")
                          .arg(parser.positionalArguments().constFirst()));
    }

    CommandLine line;
    line.simulate = parser.isSet(simulate);
    line.platformGiven = parser.isSet(QStringLiteral("platform"));
    for (const QString& entry : parser.values(portMap)) {
        int number = 0;
        QString path;
        // A mistyped map would open some other device than the user meant.
        if (!parsePortMapEntry(entry, &number, &path)) {
            return refuse(
                QStringLiteral("--port-map %1: expected COMn=PATH with n from 1 to 9").arg(entry));
        }
        line.ports.insert(number, path);
    }
    return line;
}
