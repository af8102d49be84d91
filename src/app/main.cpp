#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <QTextStream>

#include <unistd.h>

#include "app/automation_ids.h"
#include "app/command_line.h"
#include "app/form1.h"
#include "sim/simulated_unit.h"

namespace {

// Qt's messages while QApplication connects to the display are held back: a display that is set
// but cannot be reached ends in a fatal message with a list of plugins and a core dump, which
// one line says better. When the display answers, they are passed on as they came.
struct HeldMessage {
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString text;
};
QList<HeldMessage> g_held;
QtMessageHandler g_previous = nullptr;

QString displayNames() {
    QStringList names;
    for (const char* variable : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(variable)) {
            names << QLatin1String(variable) + u'=' + qEnvironmentVariable(variable);
        }
    }
    return names.join(QStringLiteral(", "));
}

void holdWhileConnecting(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        QTextStream(stderr) << "orvex-config: the graphical display cannot be reached ("
                            << displayNames()
                            << "). It needs a desktop; orvexctl does the same work from a "
                               "shell.\n";
        ::_exit(1);
    }
    if (type == QtFatalMsg) {
        g_previous(type, context, text);
        return;
    }
    g_held.append({type, context.file, context.function, context.category, context.line, text});
}

void passOnHeldMessages() {
    qInstallMessageHandler(g_previous);
    for (const HeldMessage& m : std::as_const(g_held)) {
        g_previous(m.type,
                   QMessageLogContext(m.file.isNull() ? nullptr : m.file.constData(), m.line,
                                      m.function.isNull() ? nullptr : m.function.constData(),
                                      m.category.isNull() ? nullptr : m.category.constData()),
                   m.text);
    }
    g_held.clear();
}

}  // namespace

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

    g_previous = qInstallMessageHandler(holdWhileConnecting);
    QApplication app(argc, argv);
    passOnHeldMessages();
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
