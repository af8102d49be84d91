#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include "app/automation_ids.h"
#include "app/form1.h"
#include "link/port_map.h"
#include "sim/simulated_unit.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvex-config"));
    QApplication::setOrganizationName(QStringLiteral("Orvex"));
    installAutomationIds(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Orvex Configuration Utility"));
    parser.addHelpOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Attach a simulated unit and open it at start-up (no hardware needed)."));
    const QCommandLineOption portMap(
        QStringLiteral("port-map"),
        QStringLiteral("Give a COM name a device, e.g. COM3=/dev/ttyUSB0 (repeatable)."),
        QStringLiteral("COMn=PATH"));
    parser.addOption(simulate);
    parser.addOption(portMap);
    parser.process(app);

    Form1::Options options;
    for (const QString& entry : parser.values(portMap)) {
        int number = 0;
        QString path;
        if (!parsePortMapEntry(entry, &number, &path)) {
            QTextStream(stderr) << "orvex-config: ignoring --port-map " << entry
                                << " (expected COMn=PATH with n from 1 to 9)\n";
            continue;
        }
        options.commandLinePorts.insert(number, path);
    }

    std::unique_ptr<SimulatedUnit> unit;
    if (parser.isSet(simulate)) {
        QString error;
        unit = SimulatedUnit::start(&error);
        if (!unit) {
            QTextStream(stderr) << "orvex-config: could not start the simulated unit: " << error
                                << '\n';
            return 1;
        }
        int number = kFirstComPort;
        while (options.commandLinePorts.contains(number) && number < kLastComPort) {
            ++number;
        }
        options.commandLinePorts.insert(number, unit->devicePath());
        options.forcedPort = comName(number);
    }

    Form1 window(std::move(options));
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
