// The utility's real operations against orvex-sim with each fault the simulator can inject, over
// several seeds. Whatever the line does, the program stays responsive, no wait outlasts its
// budget, a failure never shows a success text, and a flash reported complete is in the unit.
#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/form1.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "tables/tables_controller.h"

namespace {

constexpr int kTickMs = 10;
// A reply is given up once the tick count passes its limit: the longest a single wait may last.
constexpr int kReplyBudgetMs = (DeviceLink::kReplyTimeoutTicks + 2) * kTickMs;
// What the machine may add to it (a loaded CI runner, sanitizers).
constexpr int kSlackMs = 400;
constexpr int kDelayBeyondBudgetMs = 3 * kReplyBudgetMs;

const QStringList kSuccessTexts{QStringLiteral("Programming Complete."),
                                QStringLiteral("Trace Complete")};

// Polls the simulator's command log while an operation runs and keeps the longest stretch in
// which no command arrived: the longest the program waited for one reply.
class CommandGapClock : public QObject {
  public:
    explicit CommandGapClock(QString logPath) : m_path(std::move(logPath)) {
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, &CommandGapClock::poll);
    }
    void start() {
        m_size = QFileInfo(m_path).size();
        m_clock.start();
        m_lastGrowth = 0;
        m_lastTick = 0;
        m_longestGap = 0;
        m_longestStall = 0;
        m_timer.start();
    }
    void stop() {
        poll();
        m_timer.stop();
    }
    qint64 longestGapMs() const { return m_longestGap; }
    qint64 longestStallMs() const { return m_longestStall; }

  private:
    void poll() {
        const qint64 now = m_clock.elapsed();
        // The timer only fires when the program's waits let events run.
        m_longestStall = std::max(m_longestStall, now - m_lastTick);
        m_lastTick = now;
        const qint64 size = QFileInfo(m_path).size();
        if (size != m_size) {
            m_size = size;
            m_longestGap = std::max(m_longestGap, now - m_lastGrowth);
            m_lastGrowth = now;
        }
    }

    QString m_path;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_size = 0;
    qint64 m_lastGrowth = 0;
    qint64 m_lastTick = 0;
    qint64 m_longestGap = 0;
    qint64 m_longestStall = 0;
};

QMap<QString, int> readFaultCounts(const QString& path) {
    QFile f(path);
    QMap<QString, int> counts;
    if (!f.open(QIODevice::ReadOnly)) {
        return counts;
    }
    const QStringList fields = QString::fromLatin1(f.readAll()).simplified().split(u' ');
    for (const QString& field : fields) {
        const qsizetype eq = field.indexOf(u'=');
        if (eq > 0) {
            counts.insert(field.left(eq), field.mid(eq + 1).toInt());
        }
    }
    return counts;
}

}  // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void faultRun_programStaysSound_data();
    void faultRun_programStaysSound();
};

void TestFaultMatrix::faultRun_programStaysSound_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("counter");    // the fault that must have struck
    QTest::addColumn<bool>("waitsChecked");  // false: the fault itself holds replies back

    const QString delay = QString::number(kDelayBeyondBudgetMs);
    QTest::newRow("silence") << QStringList{"--silent"} << "silence" << true;
    QTest::newRow("lowercase") << QStringList{"--lowercase"} << "lowercase" << true;
    for (const int seed : {1, 2, 3}) {
        const QString s = QString::number(seed);
        const QByteArray tag = "-seed" + s.toLatin1();
        QTest::newRow("corrupt" + tag)
            << QStringList{"--corrupt-rate", "0.2", "--seed", s} << "corrupt" << true;
        QTest::newRow("hangup" + tag)
            << QStringList{"--hangup-after", QString::number(20 + 60 * seed), "--seed", s}
            << "hangup" << true;
        if (seed == 3) {
            continue;
        }
        QTest::newRow("drop" + tag)
            << QStringList{"--drop-rate", "0.2", "--seed", s} << "drop" << true;
        QTest::newRow("delay" + tag)
            << QStringList{"--delay-ms", delay, "--delay-rate", "0.1", "--seed", s} << "delay"
            << false;
    }
    QTest::newRow("weakcell") << QStringList{"--weak-cell", "0x90:0xff"} << "weakcell" << true;
}

void TestFaultMatrix::faultRun_programStaysSound() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, counter);
    QFETCH(bool, waitsChecked);

    QTemporaryDir dir;
    const QString eeprom = dir.filePath(QStringLiteral("unit.eeprom"));
    const QString countsPath = dir.filePath(QStringLiteral("faults.txt"));
    SimProcess sim(simArgs + QStringList{"--no-pacing", "--eeprom-file", eeprom, "--fault-counts",
                                         countsPath});
    QVERIFY(sim.started());
    CommandGapClock clock(sim.dir() + QStringLiteral("/sim.log"));

    // A user lets a few locations fail, then gives up.
    ScriptedDialogs dialogs;
    for (int i = 0; i < 3; ++i) {
        dialogs.answers.enqueue(Dialogs::Button::Ok);
    }
    dialogs.defaultAnswer = Dialogs::Button::Cancel;
    Form1::Options options;
    options.commandLinePorts.insert(3, sim.device());
    options.forcedPort = QStringLiteral("COM3");
    options.dialogs = &dialogs;
    options.tickMs = kTickMs;
    auto form = std::make_unique<Form1>(options);
    const auto get = [&form]<class T>(T*, const char* name) {
        T* w = form->findChild<T*>(QLatin1String(name));
        if (!w) {
            qFatal("no control %s", name);
        }
        return w;
    };
    auto* status = get(static_cast<QLabel*>(nullptr), "labStat");
    auto* tabs = get(static_cast<QTabWidget*>(nullptr), "SSTab1");

    QByteArray flashedImage;
    bool flashReportedComplete = false;
    const std::vector<std::pair<const char*, std::function<void()>>> operations{
        {"start-up", [&] { form->Form_Load(); }},
        {"typed command",
         [&] {
             auto* box = get(static_cast<QLineEdit*>(nullptr), "txtCommand");
             box->setText(QStringLiteral("g3c"));
             QTest::keyClick(box, Qt::Key_Return);
         }},
        {"preset",
         [&] {
             auto* list = get(static_cast<QComboBox*>(nullptr), "cboLogCommand");
             list->setCurrentIndex(0);
             Q_EMIT list->activated(0);
         }},
        {"calibration read-back",
         [&] {
             tabs->setCurrentIndex(1);
             get(static_cast<QAbstractButton*>(nullptr), "btnLast")->click();
         }},
        {"calibration save",
         [&] { get(static_cast<QAbstractButton*>(nullptr), "btnUpdate")->click(); }},
        {"automatic calibration",
         [&] {
             get(static_cast<QAbstractButton*>(nullptr), "btn7057")->click();
             get(static_cast<QAbstractButton*>(nullptr), "btnAutoCal")->click();
         }},
        {"flash and verify",
         [&] {
             tabs->setCurrentIndex(2);
             get(static_cast<QComboBox*>(nullptr), "cboOutputPin")->setCurrentIndex(1);
             form->link().wait_ticks(5);
             const TableModel& model =
                 form->findChild<TablesController*>(QStringLiteral("tablesController"))->model();
             flashedImage.clear();
             for (int a = 0x7A; a < 0x7A + 130; ++a) {
                 flashedImage.append(static_cast<char>(model.imageByte(a)));
             }
             status->clear();
             get(static_cast<QAbstractButton*>(nullptr), "btnFlashTable")->click();
             flashReportedComplete = status->text() == QLatin1String("Programming Complete.");
         }},
    };

    QStringList outcomes;
    for (const auto& [name, run] : operations) {
        status->clear();
        form->link().bTimedOut = false;
        clock.start();
        QElapsedTimer elapsed;
        elapsed.start();
        run();
        clock.stop();
        const bool timedOut = form->link().bTimedOut;
        outcomes << QStringLiteral("%1: %2%3 (%4 ms, longest wait %5 ms)")
                        .arg(QLatin1String(name), status->text().isEmpty() ? "-" : status->text(),
                             timedOut ? " [timed out]" : "")
                        .arg(elapsed.elapsed())
                        .arg(clock.longestGapMs());
        QVERIFY2(clock.longestStallMs() < kReplyBudgetMs + kSlackMs,
                 qPrintable(QStringLiteral("%1: events held up for %2 ms")
                                .arg(QLatin1String(name))
                                .arg(clock.longestStallMs())));
        if (waitsChecked && qstrcmp(name, "automatic calibration") != 0) {
            QVERIFY2(clock.longestGapMs() < kReplyBudgetMs + kSlackMs,
                     qPrintable(QStringLiteral("%1: waited %2 ms for one reply")
                                    .arg(QLatin1String(name))
                                    .arg(clock.longestGapMs())));
        }
        if (simArgs.contains(QLatin1String("--silent"))) {
            QVERIFY2(!kSuccessTexts.contains(status->text()), qPrintable(outcomes.last()));
        }
    }
    qInfo().noquote() << QTest::currentDataTag() << "\n  " << outcomes.join(QStringLiteral("\n  "));

    // Still responsive: a timer fires and a click is processed.
    bool fired = false;
    QTimer::singleShot(0, form.get(), [&fired] { fired = true; });
    QTRY_VERIFY_WITH_TIMEOUT(fired, 2000);
    tabs->setCurrentIndex(0);
    QCOMPARE(tabs->currentIndex(), 0);

    sim.stop();
    const QMap<QString, int> counts = readFaultCounts(countsPath);
    QVERIFY2(counts.value(counter) > 0,
             qPrintable(QStringLiteral("the %1 fault never struck").arg(counter)));

    if (flashReportedComplete) {
        QFile file(eeprom);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().mid(0x7A, 130).toHex(' '), flashedImage.toHex(' '));
    }
}

QTEST_MAIN(TestFaultMatrix)
#include "test_fault_matrix.moc"
