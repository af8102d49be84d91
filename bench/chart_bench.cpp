// Measures the calibration trace with and without its chart: "Trace" on the "Free Air" page (500
// samples) against orvex-sim paced at 19200 baud at the unit's fastest trace rate, the runs
// alternating between "Chart?" cleared and ticked. Reports each run's wall time, the CPU share
// of one core, how often the chart drew and what one drawing costs.
// Usage: orvex-bench-chart [--runs N] [--sim PATH]
//   Exit code 1 when a trace with the chart takes longer than without (beyond 2 % and 20 ms of
//   noise) or the chart drew more often than once every 100 ms.
#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

#include "app/form1.h"
#include "bench_support.h"
#include "calibration/calibration_chart.h"
#include "calibration/calibration_page.h"

namespace {

struct Run {
    double wall = 0;
    double cpu = 0;
    int samples = 0;
    int draws = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("runs"), QStringLiteral("Traces of each kind."), QStringLiteral("n"),
         QStringLiteral("3")},
        {QStringLiteral("sim"), QStringLiteral("Path of orvex-sim."), QStringLiteral("path"),
         QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/orvex-sim")},
    });
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    QTextStream out(stdout);

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QProcess sim;
    const QString device = startSim(sim, parser.value(QStringLiteral("sim")));
    if (device.isEmpty()) {
        out << "could not start " << parser.value(QStringLiteral("sim")) << "\n";
        return 2;
    }

    Form1::Options options;
    options.commandLinePorts.insert(1, device);
    options.forcedPort = QStringLiteral("COM1");
    Form1 window(options);
    window.Form_Load();
    window.show();
    if (!window.link().isOpen() || window.link().bTimedOut()) {
        out << "the simulated unit did not answer on " << device << "\n";
        return 2;
    }
    const auto button = [&window](const char* name) {
        return window.findChild<QAbstractButton*>(QLatin1String(name));
    };
    // The unit's shortest trace interval: more lines than the line carries, so it is full.
    window.link().TxString(QStringLiteral("s0400"));
    window.link().wait_ticks(3);
    window.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
    button("btn7057")->click();
    window.link().wait_ticks(3);
    CalibrationChart& chart = window.calibration().chart();

    std::vector<Run> plain;
    std::vector<Run> charted;
    for (int i = 0; i < 2 * runs; ++i) {
        const bool withChart = i % 2 == 1;
        button("chkChart")->setChecked(withChart);
        const int draws = chart.drawCount();
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        button("btnTrace")->click();  // returns when the trace ends
        Run run{wall.nsecsElapsed() / 1e9, cpuSeconds() - cpu0,
                static_cast<int>(window.calibration().chartModel().samples().size()),
                chart.drawCount() - draws};
        (withChart ? charted : plain).push_back(run);
        out << QStringLiteral("%1: %2 samples in %3 s, CPU %4 % of one core, %5 drawings\n")
                   .arg(withChart ? QStringLiteral("chart   ") : QStringLiteral("no chart"))
                   .arg(run.samples)
                   .arg(run.wall, 0, 'f', 3)
                   .arg(100.0 * run.cpu / run.wall, 0, 'f', 2)
                   .arg(run.draws);
        window.link().wait_ticks(3);  // the lines still coming after "tf"
    }

    // One drawing of the last trace, as the chart makes it, timed on its own.
    const QSize size = window.findChild<QWidget*>(QStringLiteral("picChart"))->size();
    QImage image(size, QImage::Format_RGB32);
    constexpr int kDrawings = 200;
    QElapsedTimer drawing;
    drawing.start();
    for (int i = 0; i < kDrawings; ++i) {
        QPainter painter(&image);
        CalibrationChart::draw(painter, size, window.calibration().chartModel());
    }
    const double drawMs = drawing.nsecsElapsed() / 1e6 / kDrawings;

    const auto summary = [](const std::vector<Run>& v, auto field) {
        std::vector<double> values;
        for (const Run& r : v) {
            values.push_back(field(r));
        }
        return median(values);
    };
    const double wallPlain = summary(plain, [](const Run& r) { return r.wall; });
    const double wallChart = summary(charted, [](const Run& r) { return r.wall; });
    const double cpuPlain = summary(plain, [](const Run& r) { return 100.0 * r.cpu / r.wall; });
    const double cpuChart = summary(charted, [](const Run& r) { return 100.0 * r.cpu / r.wall; });
    bool drawsOk = true;
    for (const Run& r : charted) {
        drawsOk = drawsOk && r.draws <= r.wall * 1000 / CalibrationChart::kDrawIntervalMs + 2;
    }
    out << QStringLiteral("platform %1, chart %2 x %3 px\n")
               .arg(QApplication::platformName())
               .arg(size.width())
               .arg(size.height());
    out << QStringLiteral("median wall: %1 s without the chart, %2 s with it (%3 %)\n")
               .arg(wallPlain, 0, 'f', 3)
               .arg(wallChart, 0, 'f', 3)
               .arg(100.0 * (wallChart - wallPlain) / wallPlain, 0, 'f', 1);
    out << QStringLiteral("median CPU: %1 % without, %2 % with; one drawing of %3 samples: %4 ms\n")
               .arg(cpuPlain, 0, 'f', 2)
               .arg(cpuChart, 0, 'f', 2)
               .arg(window.calibration().chartModel().samples().size())
               .arg(drawMs, 0, 'f', 2);
    const bool ok = wallChart <= wallPlain * 1.02 + 0.02 && drawsOk;
    out << (ok ? "all within limits\n" : "LIMITS EXCEEDED\n");
    window.close();
    sim.terminate();
    sim.waitForFinished(3000);
    return ok ? 0 : 1;
}
