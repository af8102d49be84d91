#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <QTextStream>

#include "app/automation_ids.h"
#include "app/command_line.h"
#include "app/form1.h"
#include "sim/simulated_unit.h"

int main(int argc, char* argv[]) {
    // Answered before QApplication exists: it aborts when no display can be reached.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine line = parseWindowCommandLine(arguments);
    switch (line.action) {
        case CommandLine::Action::Help:
        case CommandLine::Action::Version:
            QTextStream(stdout) << line.text;
            return 0;
        case CommandLine::Action::Refuse:
            QTextStream(stderr) << line.text;
            return 2;
        case CommandLine::Action::Run:
            break;
    }

    // Without any display Qt aborts with a core dump and a plugin list; say what is missing.
    if (!line.platformGiven && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        QTextStream(stderr) << "orvex-config: no graphical display (neither DISPLAY nor "
                               "WAYLAND_DISPLAY is set). It needs a desktop; orvexctl does the "
                               "same work from a shell.\n";
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvex-config"));
    QApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Orvex"));
    QGuiApplication::setDesktopFileName(QStringLiteral(ORVEX_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral(ORVEX_APP_ID), QIcon(QStringLiteral(":/icons/org.orvex.config.png"))));
    installAutomationIds(app);

    Form1::Options options;
    options.commandLinePorts = line.ports;

    // What the simulated unit says about its state file: on stderr, and at start-up in the data
    // area too, where a user who started the program from a menu sees it.
    QStringList notes;
    std::unique_ptr<SimulatedUnit> unit;
    if (line.simulate) {
        QString error;
        unit = SimulatedUnit::start(
            SimulatedUnit::defaultStatePath(),
            [&notes](const QString& note) {
                QTextStream(stderr) << "orvex-config: " << note << '\n';
                notes << note;
            },
            &error);
        if (!unit) {
            QTextStream(stderr) << "orvex-config: could not start the simulated unit: " << error
                                << '\n';
            return 1;
        }
        options.attachSimulatedUnit(unit->devicePath());
        options.notes = notes;
    }

    Form1 window(std::move(options));
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
