// Measures the serial link against orvex-sim on a pseudo-terminal:
//  1. CPU used while the greeting's two reply waits time out on a silent unit (must block, not
//     spin);
//  2. 1000 request/reply exchanges with the simulator unpaced;
//  3. start-up to the window shown, with no saved port and no serial device.
// Usage: orvex-bench-link [path/to/orvex-sim]   (QT_QPA_PLATFORM=offscreen works)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include "app/form1.h"
#include "bench_support.h"
#include "link/device_link.h"
#include "link/qt_serial_port.h"
#include "support/fake_port_prober.h"
#include "support/sim_process.h"

namespace {}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString simPath =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/orvex-sim");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    int failures = 0;
    const auto realPort = [] { return std::make_unique<QtSerialPort>(); };

    {
        SimProcess sim({QStringLiteral("--silent")}, simPath);
        if (!sim.started()) {
            out << "could not start " << simPath << "\n";
            return 2;
        }
        DeviceLink link(realPort);
        link.setPortMap({{1, sim.device()}});
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const bool opened = link.OpenPort(QStringLiteral("COM1"));
        const double cpu = cpuSeconds() - cpu0;
        const double secs = wall.elapsed() / 1000.0;
        const double share = 100.0 * cpu / secs;
        out << QStringLiteral(
                   "greeting a silent unit (two timeouts): %1 s wall, %2 s CPU = %3 % "
                   "of one core (limit 5 %)\n")
                   .arg(secs, 0, 'f', 2)
                   .arg(cpu, 0, 'f', 3)
                   .arg(share, 0, 'f', 2);
        failures += !opened || !link.bTimedOut() || share >= 5.0;
    }
    {
        SimProcess sim({QStringLiteral("--no-pacing")}, simPath);
        if (!sim.started()) {
            out << "could not start " << simPath << "\n";
            return 2;
        }
        DeviceLink link(realPort);
        link.setPortMap({{1, sim.device()}});
        link.OpenPort(QStringLiteral("COM1"));
        QElapsedTimer wall;
        wall.start();
        int good = 0;
        for (int i = 0; i < 1000; ++i) {
            link.TxString(QStringLiteral("g3c"));
            good += link.GetParameter().size() == 4 && !link.bTimedOut();
        }
        const double secs = wall.elapsed() / 1000.0;
        out << QStringLiteral("1000 exchanges: %1 s, %2 answered (limit 2 s)\n")
                   .arg(secs, 0, 'f', 3)
                   .arg(good);
        failures += good != 1000 || secs >= 2.0;
    }
    {
        QElapsedTimer wall;
        wall.start();
        // No serial device at all: a machine with exactly one port would open it and greet it,
        // which with nothing attached costs the two 1.6 s reply budgets by design.
        FakePortProber noPorts;  // a machine without any serial device
        Form1::Options options;
        options.prober = &noPorts;
        Form1 window(options);
        window.Form_Load();
        window.show();
        QCoreApplication::processEvents();
        const double secs = wall.elapsed() / 1000.0;
        out << QStringLiteral("start-up to window shown, no saved port: %1 s (limit 1 s)\n")
                   .arg(secs, 0, 'f', 3);
        failures += secs >= 1.0;
    }
    out << (failures == 0 ? "all within limits\n" : "LIMITS EXCEEDED\n");
    return failures == 0 ? 0 : 1;
}
