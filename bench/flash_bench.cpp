// Measures one table's flash and verify (260 exchanges, plus "tf" and "v") against orvex-sim
// paced at 19200 baud: wall time against the time the bytes need on the line (10 bits a byte,
// both directions), and the CPU the utility uses meanwhile.
// Usage: orvex-bench-flash [path/to/orvex-sim]   (QT_QPA_PLATFORM=offscreen works)
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include "app/form1.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"

namespace {

constexpr double kBitsPerByte = 10.0;
constexpr double kBaud = 19200.0;
constexpr double kTimeLimit = 1.15;  // times the line time
constexpr double kCpuLimit = 10.0;   // percent of one core

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString simPath =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/orvex-sim");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    SimProcess sim({}, simPath);
    if (!sim.started()) {
        out << "could not start " << simPath << "\n";
        return 2;
    }
    const QString device = sim.device();

    ScriptedDialogs dialogs;
    Form1::Options options;
    options.commandLinePorts.insert(1, device);
    options.forcedPort = QStringLiteral("COM1");
    options.dialogs = &dialogs;
    Form1 form(options);
    form.Form_Load();
    form.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    form.findChild<QComboBox*>(QStringLiteral("cboOutputPin"))->setCurrentIndex(1);
    // The page switch sends "tf" without awaiting its reply; a user's click comes later than that.
    form.link().wait_ticks(5);
    const qsizetype logBefore = sim.log().size();

    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    form.findChild<QPushButton*>(QStringLiteral("btnFlashTable"))->click();
    const double secs = wall.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    const QString result = form.findChild<QLabel*>(QStringLiteral("labStat"))->text();

    // Every command goes out with a carriage return; its reply is CR LF, the command, a blank,
    // four characters, CR LF.
    const QStringList commands = sim.log().mid(logBefore);
    qint64 bytes = 0;
    for (const QString& c : commands) {
        bytes += (c.size() + 1) + (2 + c.size() + 1 + 4 + 2);
    }
    const double lineSecs = bytes * kBitsPerByte / kBaud;
    const double ratio = secs / lineSecs;
    const double share = 100.0 * cpu / secs;
    out << QStringLiteral("flash and verify: %1 exchanges, %2 bytes, line time %3 s\n")
               .arg(commands.size())
               .arg(bytes)
               .arg(lineSecs, 0, 'f', 3);
    out << QStringLiteral(
               "wall %1 s = %2 x line time (limit %3), CPU %4 s = %5 % of one core "
               "(limit %6 %), ended with \"%7\"\n")
               .arg(secs, 0, 'f', 3)
               .arg(ratio, 0, 'f', 3)
               .arg(kTimeLimit)
               .arg(cpu, 0, 'f', 3)
               .arg(share, 0, 'f', 2)
               .arg(kCpuLimit)
               .arg(result);

    sim.stop();
    const bool ok = result == QLatin1String("Programming Complete.") && ratio <= kTimeLimit &&
                    share < kCpuLimit;
    return ok ? 0 : 1;
}
