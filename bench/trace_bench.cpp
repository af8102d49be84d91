// Measures the utility while a live trace from orvex-sim (paced at 19200 baud) runs into the
// received-data area: CPU share of one core, memory once the receive buffer has reached its
// cut, and how long each new line takes from the serial port to the screen.
// Usage: orvex-bench-trace [--seconds N] [--speed HH] [--sim PATH]
//   --speed is the unit's trace interval register (s04HH, 20 ms a step); the default 00 asks
//   for more than the line carries, so the trace fills the line. Exit code 1 when a figure is
//   out of its limit.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>

#include <malloc.h>
#include <algorithm>
#include <deque>
#include <vector>

#include "app/form1.h"
#include "app/widgets.h"
#include "bench_support.h"
#include "link/qt_serial_port.h"

namespace {

constexpr double kCpuLimitPercent = 10.0;
constexpr double kLatencySlackMs = 10.0;  // drawing the new text
constexpr qint64 kMemorySlackBytes = 512 * 1024;

QElapsedTimer gClock;

double nowMs() {
    return gClock.nsecsElapsed() / 1e6;
}

qint64 residentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
        }
    }
    return -1;
}

qint64 heapInUseBytes() {
    return static_cast<qint64>(mallinfo2().uordblks);
}

// The real serial port, remembering when each received line feed came off the line, so the
// bench can tell how long the line took to reach the screen.
class TimingPort final : public PassThroughPort {
  public:
    QByteArray readAll() override {
        const QByteArray data = m_inner.readAll();
        for (qsizetype i = 0; i < data.size(); ++i) {
            const qint64 offset = m_consumed + i;
            while (!m_arrivals.empty() && m_arrivals.front().end <= offset) {
                m_arrivals.pop_front();
            }
            if (data.at(i) == '\n') {
                unshown.push_back(m_arrivals.empty() ? nowMs() : m_arrivals.front().ms);
            }
        }
        m_consumed += data.size();
        if (!data.isEmpty()) {
            lastReadMs = nowMs();
        }
        return data;
    }

    std::vector<double> unshown;  // arrival times of line feeds handed to the program
    double lastReadMs = 0;        // when the program last took data from the port

  private:
    void innerReadyRead() override {
        const qint64 total = m_consumed + m_inner.bytesAvailable();
        if (total > m_known) {
            m_arrivals.push_back({total, nowMs()});
            m_known = total;
        }
        Q_EMIT readyRead();
    }

    struct Arrival {
        qint64 end;  // bytes received up to and including this arrival
        double ms;
    };
    std::deque<Arrival> m_arrivals;
    qint64 m_consumed = 0;
    qint64 m_known = 0;
};

// The received-data area as drawn: each paint of its viewport shows every line handed to the
// program so far; the time from arrival to that paint is the line's latency.
class PaintWatch final : public QObject {
  public:
    PaintWatch(TimingPort** port, DataArea* area) : m_port(port), m_area(area) {
        area->viewport()->installEventFilter(this);
    }
    std::vector<double> latencies;
    std::vector<double> handling;  // from taking the data off the port to drawing it
    int notAtEnd = 0;              // paints whose view was not scrolled to the newest text

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && *m_port && !(*m_port)->unshown.empty()) {
            const double t = nowMs();
            for (const double arrival : (*m_port)->unshown) {
                latencies.push_back(t - arrival);
            }
            (*m_port)->unshown.clear();
            handling.push_back(t - (*m_port)->lastReadMs);
            const QScrollBar* bar = m_area->verticalScrollBar();
            notAtEnd += bar->value() != bar->maximum();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    TimingPort** m_port;
    DataArea* m_area;
};

QString displayForm(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    return v.at(std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5)));
}

void pressEnter(QWidget* w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(w, &press);
}

}  // namespace

int main(int argc, char* argv[]) {
    gClock.start();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("seconds"), QStringLiteral("Length of the trace."), QStringLiteral("n"),
         QStringLiteral("60")},
        {QStringLiteral("speed"), QStringLiteral("Trace interval register, two hex digits."),
         QStringLiteral("HH"), QStringLiteral("00")},
        {QStringLiteral("sim"), QStringLiteral("Path of orvex-sim."), QStringLiteral("path"),
         QCoreApplication::applicationDirPath() + QStringLiteral("/../sim/orvex-sim")},
    });
    parser.process(app);
    const int seconds = std::max(5, parser.value(QStringLiteral("seconds")).toInt());
    QTextStream out(stdout);

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QProcess sim;
    const QString device = startSim(sim, parser.value(QStringLiteral("sim")));
    if (device.isEmpty()) {
        out << "could not start " << parser.value(QStringLiteral("sim")) << "\n";
        return 2;
    }

    TimingPort* port = nullptr;
    Form1::Options options;
    options.commandLinePorts.insert(1, device);
    options.forcedPort = QStringLiteral("COM1");
    options.portFactory = [&port] {
        auto p = std::make_unique<TimingPort>();
        port = p.get();
        return p;
    };
    Form1 window(options);
    window.Form_Load();
    window.show();
    if (!window.link().isOpen() || window.link().bTimedOut()) {
        out << "the simulated unit did not answer on " << device << "\n";
        return 2;
    }
    auto& area = *window.findChild<DataArea*>(QStringLiteral("txtData"));
    PaintWatch watch(&port, &area);
    // The bench's own records must not show up as growth of the program's memory.
    const auto expectedLines = static_cast<size_t>(seconds) * 200;
    watch.latencies.reserve(expectedLines);
    watch.handling.reserve(expectedLines);
    if (port) {
        port->unshown.reserve(4096);
    }
    // Memory is sampled at every cut of the receive buffer: the buffer and the document then
    // have the same size each time, so any difference between samples is growth.
    struct Sample {
        double ms;
        qint64 rss;
        qint64 heap;
    };
    std::vector<Sample> atCuts;
    atCuts.reserve(static_cast<size_t>(seconds));
    QObject::connect(
        area.document(), &QTextDocument::contentsChange, &area,
        [&atCuts, &window](int, int removed, int) {
            if (removed > 0 && window.link().RxBuffer().startsWith(QLatin1String("..."))) {
                atCuts.push_back({nowMs(), residentBytes(), heapInUseBytes()});
            }
        });

    // As a user would: the speed through the command box, then "Start Trace".
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("txtCommand"));
    box->setText(QStringLiteral("s04") + parser.value(QStringLiteral("speed")));
    pressEnter(box);
    window.findChild<QPushButton*>(QStringLiteral("btnStartTrace"))->click();

    int secondsDone = 0;
    int mismatches = 0;
    int checks = 0;
    const double cpu0 = cpuSeconds();
    const double wall0 = nowMs();
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        ++secondsDone;
        // What is drawn must be exactly the receive buffer, as a whole rewrite would show it.
        ++checks;
        const QString& rx = window.link().RxBuffer();
        area.flushDisplay();  // what is drawn may wait for its turn
        mismatches += area.text() != rx || area.toPlainText() != displayForm(rx);
        if (secondsDone >= seconds) {
            QCoreApplication::quit();
        }
    });
    sampler.start(1000);
    QApplication::exec();
    const double cpu = cpuSeconds() - cpu0;
    const double wall = (nowMs() - wall0) / 1000.0;
    window.findChild<QPushButton*>(QStringLiteral("btnStopTrace"))->click();

    const double cpuShare = 100.0 * cpu / wall;
    const double tickMs = DeviceLink::kTickMs;
    // A line waits for the tick that takes it off the port, then for the data area's turn to draw.
    const double latencyLimitMs = tickMs + DataArea::kPaceMs + kLatencySlackMs;
    const double maxLatency =
        watch.latencies.empty() ? 0.0
                                : *std::max_element(watch.latencies.begin(), watch.latencies.end());
    const auto late = std::count_if(watch.latencies.begin(), watch.latencies.end(),
                                    [latencyLimitMs](double ms) { return ms > latencyLimitMs; });

    // From the second cut on the buffer holds its steady size.
    const bool cutReached = atCuts.size() >= 3;
    qint64 rssGrowth = 0;
    qint64 heapGrowth = 0;
    if (cutReached) {
        for (auto it = atCuts.begin() + 1; it != atCuts.end(); ++it) {
            rssGrowth = std::max(rssGrowth, it->rss - atCuts.at(1).rss);
            heapGrowth = std::max(heapGrowth, it->heap - atCuts.at(1).heap);
        }
    }

    out << QStringLiteral("trace %1 s at s04%2 on %3 (platform %4)\n")
               .arg(wall, 0, 'f', 1)
               .arg(parser.value(QStringLiteral("speed")), device, QApplication::platformName());
    out << QStringLiteral("lines shown: %1 (%2 per second), cuts of the buffer: %3\n")
               .arg(watch.latencies.size())
               .arg(watch.latencies.size() / wall, 0, 'f', 1)
               .arg(atCuts.size());
    out << QStringLiteral("CPU: %1 s = %2 % of one core (limit %3 %)\n")
               .arg(cpu, 0, 'f', 2)
               .arg(cpuShare, 0, 'f', 2)
               .arg(kCpuLimitPercent);
    out << QStringLiteral(
               "newest line on screen after: median %1 ms, 99th percentile %2 ms, max %3 ms; "
               "%4 lines over the limit (%5 ms); %6 paints not at the end\n")
               .arg(percentile(watch.latencies, 0.5), 0, 'f', 1)
               .arg(percentile(watch.latencies, 0.99), 0, 'f', 1)
               .arg(maxLatency, 0, 'f', 1)
               .arg(late)
               .arg(latencyLimitMs)
               .arg(watch.notAtEnd);
    out << QStringLiteral("from reading the port to drawing: median %1 ms, max %2 ms\n")
               .arg(percentile(watch.handling, 0.5), 0, 'f', 2)
               .arg(percentile(watch.handling, 1.0), 0, 'f', 2);
    if (cutReached) {
        out << QStringLiteral(
                   "memory at the cuts from %1 s on: resident %2 MiB, grew by at most "
                   "%3 KiB; heap in use %4 KiB, grew by at most %5 KiB (%6 cuts)\n")
                   .arg((atCuts.at(1).ms - wall0) / 1000.0, 0, 'f', 0)
                   .arg(atCuts.at(1).rss / 1048576.0, 0, 'f', 1)
                   .arg(rssGrowth / 1024)
                   .arg(atCuts.at(1).heap / 1024)
                   .arg(heapGrowth / 1024)
                   .arg(atCuts.size() - 1);
        out << "heap in use at each cut (KiB):";
        for (const Sample& cut : atCuts) {
            out << ' ' << cut.heap / 1024;
        }
        out << "\nresident at each cut (KiB):";
        for (const Sample& cut : atCuts) {
            out << ' ' << cut.rss / 1024;
        }
        out << "\n";
    } else {
        out << "memory: the buffer never reached its cut; run longer or faster\n";
    }
    out << QStringLiteral("display equal to the receive buffer at %1 of %2 checks\n")
               .arg(checks - mismatches)
               .arg(checks);

    const bool ok = cpuShare < kCpuLimitPercent && maxLatency <= latencyLimitMs &&
                    watch.notAtEnd == 0 && cutReached && rssGrowth <= kMemorySlackBytes &&
                    heapGrowth <= kMemorySlackBytes && mismatches == 0 && !watch.latencies.empty();
    out << (ok ? "all within limits\n" : "LIMITS EXCEEDED\n");
    sim.terminate();
    sim.waitForFinished(3000);
    return ok ? 0 : 1;
}
