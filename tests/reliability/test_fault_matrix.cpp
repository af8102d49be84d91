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
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/form1.h"
#include "common/data_view.h"
#include "console/command_console.h"
#include "eeprom/eeprom_controller.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "support/table_files.h"
#include "tables/tables_page.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kTickMs = 10;
// A reply is given up once the tick count passes its limit: the longest a single wait may last.
constexpr int kReplyBudgetMs = (DeviceLink::kReplyTimeoutTicks + 2) * kTickMs;
// What the machine may add to it (a loaded runner, sanitizers).
constexpr int kSlackMs = 400;

const QStringList kSuccessTexts{QStringLiteral("Programming Complete."),
                                QStringLiteral("Trace Complete"),
                                QStringLiteral("Read table from unit")};

// Polls the simulator's command log while an operation runs. The longest stretch without a new
// command is the longest the program waited for one reply; the longest stretch between two polls
// is the longest the program held events up.
class CommandGapClock : public QObject {
  public:
    explicit CommandGapClock(QString logPath) : m_path(std::move(logPath)) {
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, &CommandGapClock::poll);
    }
    void start() {
        m_size = QFileInfo(m_path).size();
        m_lastGrowth = m_lastTick = m_longestGap = m_longestStall = 0;
        m_clock.start();
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
    qint64 m_size = 0, m_lastGrowth = 0, m_lastTick = 0, m_longestGap = 0, m_longestStall = 0;
};

// How often the fault struck, from "silence=0 drop=3 ..." as the simulator writes it at exit.
int faultCount(const QString& path, const QString& fault) {
    QFile f(path);
    const QString counts = f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : "";
    return QRegularExpression(u"\\b"_s + fault + u"=(\\d+)"_s).match(counts).captured(1).toInt();
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
    QTest::addColumn<QString>("fault");     // the fault that must have struck
    QTest::addColumn<bool>("recoverable");  // reading and flashing must succeed all the same

    const QString delay = QString::number(3 * kReplyBudgetMs);
    QTest::newRow("silence") << QStringList{"--silent"} << "silence" << false;
    QTest::newRow("lowercase") << QStringList{"--lowercase"} << "lowercase" << false;
    // A reply a little later than the wait, as 1.8 s against 1.6 s.
    const QString late = QString::number((DeviceLink::kReplyTimeoutTicks + 1) * kTickMs * 9 / 8);
    QTest::newRow("late") << QStringList{"--late-every", "23", "--late-ms", late} << "late" << true;
    QTest::newRow("wrongdigit") << QStringList{"--wrong-digit-every", "17"} << "wrongdigit" << true;
    QTest::newRow("tracing") << QStringList{"--tracing", "--trace-after-tf", "3"} << "straytrace"
                             << true;
    QTest::newRow("tracing-noecho")
        << QStringList{"--tracing", "--trace-after-tf", "3", "--reply-style", "no-echo"}
        << "straytrace" << true;
    for (const int seed : {1, 2, 3}) {
        const QString s = QString::number(seed);
        const QByteArray tag = "-seed" + s.toLatin1();
        QTest::newRow("corrupt" + tag)
            << QStringList{"--corrupt-rate", "0.2", "--seed", s} << "corrupt" << false;
        QTest::newRow("hangup" + tag)
            << QStringList{"--hangup-after", QString::number(20 + 60 * seed), "--seed", s}
            << "hangup" << false;
        if (seed == 3) {
            continue;
        }
        QTest::newRow("drop" + tag)
            << QStringList{"--drop-rate", "0.2", "--seed", s} << "drop" << false;
        QTest::newRow("delay" + tag)
            << QStringList{"--delay-ms", delay, "--delay-rate", "0.1", "--seed", s} << "delay"
            << false;
    }
    QTest::newRow("weakcell") << QStringList{"--weak-cell", "0x90:0xff"} << "weakcell" << false;
}

void TestFaultMatrix::faultRun_programStaysSound() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, fault);
    QFETCH(bool, recoverable);
    const bool waitsChecked = fault != QLatin1String("delay");  // that fault holds replies back

    QTemporaryDir dir;
    const QString countsPath = dir.filePath(QStringLiteral("faults.txt"));
    SimProcess sim(simArgs + QStringList{"--no-pacing", "--fault-counts", countsPath},
                   unlikeNeighbours());
    QVERIFY(sim.started());
    CommandGapClock clock(sim.dir() + QStringLiteral("/sim.log"));

    // A user lets a few locations fail, then gives up.
    ScriptedDialogs dialogs;
    dialogs.answers << Dialogs::Button::Ok << Dialogs::Button::Ok << Dialogs::Button::Ok;
    dialogs.defaultAnswer = Dialogs::Button::Cancel;
    dialogs.yesNoDefault = Dialogs::Button::Yes;  // and programs without a backup if need be
    Form1::Options options;
    options.commandLinePorts.insert(3, sim.device());
    options.forcedPort = QStringLiteral("COM3");
    options.dialogs = &dialogs;
    options.tickMs = kTickMs;
    auto form = std::make_unique<Form1>(options);
    const auto click = [&form](const char* name) {
        form->findChild<QAbstractButton*>(QLatin1String(name))->click();
    };
    auto* status = form->findChild<QLabel*>(QStringLiteral("labStat"));
    auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("SSTab1"));

    tables::TableSnapshot flashed;
    QByteArray afterRead, expectedAfterRead, heldBeforeFlash;
    QString flashLog;
    bool flashReportedComplete = false, readReported = false;
    const std::vector<std::pair<const char*, std::function<void()>>> operations{
        {"start-up", [&] { form->Form_Load(); }},
        {"typed command",
         [&] {
             auto* box = form->findChild<QLineEdit*>(QStringLiteral("txtCommand"));
             box->setText(QStringLiteral("g3c"));
             QTest::keyClick(box, Qt::Key_Return);
         }},
        {"preset", [&] { form->console().cboLogCommand_Click(0); }},
        {"calibration read-back",
         [&] {
             tabs->setCurrentIndex(1);
             click("btnLast");
         }},
        {"calibration save", [&] { click("btnUpdate"); }},
        {"automatic calibration",
         [&] {
             click("btn7057");
             click("btnAutoCal");
         }},
        {"read unit",
         [&] {
             tabs->setCurrentIndex(2);
             form->findChild<QComboBox*>(QStringLiteral("cboOutputPin"))->setCurrentIndex(1);
             form->link().wait_ticks(5);
             expectedAfterRead = form->tables().model().snapshot().toBytes();
             click("btnReadUnit");
             afterRead = form->tables().model().snapshot().toBytes();
             // The message goes on with what the table is: " = built-in ...", ", a table of ..."
             readReported = QRegularExpression(u"^Read table from unit( = |, )"_s)
                                .match(status->text())
                                .hasMatch();
             if (readReported) {
                 expectedAfterRead = sim.eeprom().mid(0x7A, tables::kTableBytes);
             }
         }},
        {"flash and verify",
         [&] {
             form->tables().btnGenTable_Click();  // back from the unit's blank table
             flashed = form->tables().model().snapshot();
             heldBeforeFlash = sim.eeprom().mid(flashed.start, tables::kTableBytes);
             status->clear();
             click("btnFlashTable");
             flashReportedComplete = status->text() == QLatin1String("Programming Complete.");
             flashLog = form->data().text();
         }},
    };

    QStringList outcomes;
    for (const auto& [name, run] : operations) {
        status->clear();
        clock.start();
        run();
        clock.stop();
        outcomes << QStringLiteral("%1: %2%3 (longest wait %4 ms)")
                        .arg(QLatin1String(name), status->text().isEmpty() ? "-" : status->text(),
                             form->link().bTimedOut() ? " [timed out]" : "")
                        .arg(clock.longestGapMs());
        QVERIFY2(clock.longestStallMs() < kReplyBudgetMs + kSlackMs,
                 qPrintable(QStringLiteral("events held up: ") + outcomes.last()));
        // The automatic search collects a trace, not replies: its gaps are trace lengths.
        if (waitsChecked && qstrcmp(name, "automatic calibration") != 0) {
            QVERIFY2(clock.longestGapMs() < kReplyBudgetMs + kSlackMs, qPrintable(outcomes.last()));
        }
        if (fault == QLatin1String("silence")) {
            QVERIFY2(!kSuccessTexts.contains(status->text()), qPrintable(outcomes.last()));
        }
    }
    qInfo().noquote() << QTest::currentDataTag() << "\n  " << outcomes.join(QStringLiteral("\n  "));

    // Still responsive: a timer fires, no run is left under way, and the pages are free again.
    bool fired = false;
    QTimer::singleShot(0, form.get(), [&fired] { fired = true; });
    QTRY_VERIFY_WITH_TIMEOUT(fired, 2000);
    QVERIFY(!form->eeprom().bFlashing);
    QVERIFY(tabs->tabBar()->isEnabled());
    tabs->setCurrentIndex(0);
    QCOMPARE(tabs->currentIndex(), 0);

    // A read is right or reported as failed: two reads of a byte agree or it is read again.
    QCOMPARE(afterRead.toHex(' '), expectedAfterRead.toHex(' '));
    // So is the backup a flash keeps, whatever the flash did after it.
    const QString backup =
        QRegularExpression(u"^Backup saved to (.*?)\r\n"_s).match(flashLog).captured(1);
    if (!backup.isEmpty()) {
        QCOMPARE(fileValues(backup), words(heldBeforeFlash));
    }
    if (recoverable) {
        QVERIFY2(readReported && flashReportedComplete && !backup.isEmpty(),
                 qPrintable(outcomes.join(u'\n')));
    }
    sim.stop();
    QVERIFY2(faultCount(countsPath, fault) > 0,
             qPrintable(fault + QStringLiteral(" never struck")));
    if (flashReportedComplete) {
        const QByteArray image = flashed.toBytes();
        QCOMPARE(sim.eeprom().mid(flashed.start, image.size()).toHex(' '), image.toHex(' '));
    }
}

QTEST_MAIN(TestFaultMatrix)
#include "test_fault_matrix.moc"
