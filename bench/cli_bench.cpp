// Measures orvexctl as a script runs it, against orvex-sim paced at 19200 baud: `flash` of one
// table with its backup (wall time against the line time of every byte it exchanged, limit 1.10)
// and `info` (limit 0.3 s), each a whole process from start to exit.
// Usage: orvex-bench-cli [path/to/orvex-sim [path/to/orvexctl]]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "support/sim_process.h"

namespace {

constexpr double kFlashLimit = 1.10;  // times the line time
constexpr double kInfoLimitSecs = 0.3;

struct Timed {
    double secs = 0;
    int code = -1;
};

Timed run(const QString& program, const QStringList& args, const QString& home) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer wall;
    wall.start();
    p.start(program, args);
    p.waitForFinished(120000);
    return {wall.elapsed() / 1000.0, p.exitCode()};
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString dir = QCoreApplication::applicationDirPath();
    const QString simPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir + "/../sim/orvex-sim";
    const QString ctl = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir + "/../src/cli/orvexctl";
    QTemporaryDir home;
    SimProcess sim({}, simPath);
    if (!sim.started()) {
        out << "could not start " << simPath << "\n";
        return 2;
    }
    const QString table = home.filePath(QStringLiteral("table.txt"));
    if (run(ctl, {"generate", "--pin", "1", "-o", table}, home.path()).code != 0) {
        out << "could not generate a table with " << ctl << "\n";
        return 2;
    }
    const Timed info = run(ctl, {"--quiet", "--port", sim.device(), "info"}, home.path());
    const qsizetype before = sim.log().size();
    const Timed flash =
        run(ctl, {"--quiet", "--port", sim.device(), "flash", "--pin", "1", table}, home.path());
    const QStringList commands = sim.log().mid(before);
    const double lineSecs = lineSeconds(commands);
    const double ratio = flash.secs / lineSecs;
    out << QStringLiteral("info: %1 s (limit %2 s), exit %3\n")
               .arg(info.secs, 0, 'f', 3)
               .arg(kInfoLimitSecs)
               .arg(info.code);
    out << QStringLiteral(
               "flash with backup: %1 commands, %2 bytes, wall %3 s = %4 x line time %5 s "
               "(limit %6), exit %7\n")
               .arg(commands.size())
               .arg(lineBytes(commands))
               .arg(flash.secs, 0, 'f', 3)
               .arg(ratio, 0, 'f', 3)
               .arg(lineSecs, 0, 'f', 3)
               .arg(kFlashLimit)
               .arg(flash.code);
    sim.stop();
    const bool ok =
        info.code == 0 && info.secs <= kInfoLimitSecs && flash.code == 0 && ratio <= kFlashLimit;
    return ok ? 0 : 1;
}
