// Measures, against orvex-sim paced at 19200 baud, one table's flash and verify (260 exchanges,
// plus "tf" and "v"), reading the unit's table (260 exchanges: each byte twice), and the same
// flash with the backup before it: wall time against the time the bytes need on the line (10
// bits a byte, both directions), and the CPU the utility uses meanwhile.
// Usage: orvex-bench-flash [path/to/orvex-sim]   (QT_QPA_PLATFORM=offscreen works)
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include "app/form1.h"
#include "bench_support.h"
#include "eeprom/eeprom_controller.h"
#include "link/qt_serial_port.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"

namespace {

constexpr double kTimeLimit = 1.15;  // times the line time
constexpr double kCpuLimit = 10.0;   // percent of one core
// A flash with its backup, drawn by a real window: the line busy for at most this times the
// line time of its bytes, and this share of one core.
constexpr double kSpanLimit = 1.03;
constexpr double kBackedUpCpuLimit = 3.0;

// The real port, noting when the line was first written and last read: the span a run keeps
// the line busy, without the quiet wait before it.
class SpanPort final : public PassThroughPort {
  public:
    SpanPort() { m_clock.start(); }
    bool write(const QByteArray& data) override {
        if (firstWriteMs < 0) {
            firstWriteMs = m_clock.nsecsElapsed() / 1e6;
        }
        return m_inner.write(data);
    }
    QByteArray readAll() override {
        QByteArray data = m_inner.readAll();
        if (!data.isEmpty()) {
            lastReadMs = m_clock.nsecsElapsed() / 1e6;
        }
        return data;
    }
    void restart() { firstWriteMs = lastReadMs = -1; }

    double firstWriteMs = -1, lastReadMs = -1;

  private:
    QElapsedTimer m_clock;
};

struct Run {
    double secs = 0, cpu = 0, lineSecs = 0, spanSecs = 0;
    qsizetype commands = 0;
    QString result;
};

// Clicks the button and measures until its action returns.
Run measure(Form1& form, const SimProcess& sim, SpanPort& port, const char* button) {
    const qsizetype logBefore = sim.log().size();
    port.restart();
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // A real click: the press, the release and what the window draws meanwhile.
    QTest::mouseClick(form.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    Run run;
    run.secs = wall.elapsed() / 1000.0;
    run.cpu = cpuSeconds() - cpu0;
    run.result = form.findChild<QLabel*>(QStringLiteral("labStat"))->text();
    const QStringList commands = sim.log().mid(logBefore);
    run.commands = commands.size();
    run.lineSecs = lineSeconds(commands);
    run.spanSecs = (port.lastReadMs - port.firstWriteMs) / 1000.0;
    return run;
}

bool report(QTextStream& out, const QString& name, const Run& run, double secs, double lineSecs,
            const QString& success) {
    const double ratio = secs / lineSecs;
    const double share = 100.0 * run.cpu / run.secs;
    out << QStringLiteral(
               "%1: %2 commands, wall %3 s = %4 x line time %5 s (limit %6), CPU %7 % of one "
               "core (limit %8 %), ended with \"%9\"\n")
               .arg(name)
               .arg(run.commands)
               .arg(secs, 0, 'f', 3)
               .arg(ratio, 0, 'f', 3)
               .arg(lineSecs, 0, 'f', 3)
               .arg(kTimeLimit)
               .arg(share, 0, 'f', 2)
               .arg(kCpuLimit)
               .arg(run.result);
    return run.result.startsWith(success) && ratio <= kTimeLimit && share < kCpuLimit;
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
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    SimProcess sim({}, simPath);
    if (!sim.started()) {
        out << "could not start " << simPath << "\n";
        return 2;
    }

    ScriptedDialogs dialogs;
    Form1::Options options;
    options.commandLinePorts.insert(1, sim.device());
    options.forcedPort = QStringLiteral("COM1");
    options.dialogs = &dialogs;
    SpanPort* port = nullptr;
    options.portFactory = [&port] {
        auto p = std::make_unique<SpanPort>();
        port = p.get();
        return p;
    };
    Form1 form(options);
    form.Form_Load();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        out << "the window was not shown\n";
        return 2;
    }
    form.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    form.findChild<QComboBox*>(QStringLiteral("cboOutputPin"))->setCurrentIndex(1);
    // The page switch sends "tf" without awaiting its reply; a user's click comes later than that.
    form.link().wait_ticks(5);

    const QString complete = QStringLiteral("Programming Complete.");
    const QString backups = dir.filePath(QStringLiteral("backups"));
    form.eeprom().setBackupFolder(QString());
    const Run flash = measure(form, sim, *port, "btnFlashTable");
    const Run read =
        measure(form, sim, *port, "btnReadUnit");  // what the flash wrote: a real table
    form.eeprom().setBackupFolder(backups);
    const Run backedUp = measure(form, sim, *port, "btnFlashTable");

    bool ok = report(out, QStringLiteral("flash and verify"), flash, flash.secs, flash.lineSecs,
                     complete);
    ok = report(out, QStringLiteral("read the unit's table"), read, read.secs, read.lineSecs,
                QStringLiteral("Read table from unit")) &&  // then what the table is
         ok;
    // The backup's share: what it added to the same flash, against the line time of its reads.
    const double backupLine = backedUp.lineSecs - flash.lineSecs;
    ok = report(out, QStringLiteral("backup before the flash"), backedUp,
                backedUp.secs - flash.secs, backupLine, complete) &&
         ok;
    // The whole flash with its backup, as the user sees it.
    const double spanRatio = backedUp.spanSecs / backedUp.lineSecs;
    const double share = 100.0 * backedUp.cpu / backedUp.secs;
    out << QStringLiteral(
               "flash with its backup: %1 commands, line busy %2 s = %3 x line time %4 "
               "s (limit %5), wall %6 s, CPU %7 % of one core (limit %8 %)\n")
               .arg(backedUp.commands)
               .arg(backedUp.spanSecs, 0, 'f', 3)
               .arg(spanRatio, 0, 'f', 3)
               .arg(backedUp.lineSecs, 0, 'f', 3)
               .arg(kSpanLimit)
               .arg(backedUp.secs, 0, 'f', 3)
               .arg(share, 0, 'f', 2)
               .arg(kBackedUpCpuLimit);
    ok = spanRatio <= kSpanLimit && share <= kBackedUpCpuLimit && ok;
    ok = QDir(backups).entryList(QDir::Files).size() == 1 && ok;
    sim.stop();
    return ok ? 0 : 1;
}
