#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "app/widgets.h"
#include "calibration_test_helpers.h"
#include "support/test_window.h"

namespace {

const QColor kLit(0, 240, 0);
const QString kStopped = QStringLiteral("Auto calibration stopped - no reading from the unit");

TestWindow::Config unitAt(int truePoint) {
    TestWindow::Config c;
    c.unit.truePoint = truePoint;
    return c;
}

// A quick unit: trace lines every 2 ms instead of every 100.
void quickTrace(TestWindow& w) {
    w.port().setTraceIntervalMs(2);
}

bool lit(TestWindow& w, const char* shape) {
    return w.get<ShapeWidget>(shape)->fillColor() == kLit;
}

// The sample count of a status line "Trace N (M)" for the given M; 0 for any other text.
int samplesShown(const TestWindow& w, int countMax) {
    const QString text = w.statusText();
    const QString tail = QStringLiteral(" (%1)").arg(countMax);
    if (!text.startsWith(QLatin1String("Trace ")) || !text.endsWith(tail)) {
        return 0;
    }
    return text.mid(6, text.size() - 6 - tail.size()).toInt();
}

int traceStarts(const QStringList& sent) {
    return static_cast<int>(only(sent, {"t0", "t1"}).size());
}

}  // namespace

// The calibration trace and the automatic search on the "Free Air" page, against the
// in-process simulated unit or bytes fed onto the line.
class TestFreeAirTrace : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void trace_stopDuringLongTrace_sendsTfAndTerminates();
    void trace_averagesLinesAndSkipsNonHex();
    void trace_timeout_remainderIsNoSample();
    void trace_indicatorsFollowAverageAndKeepCoarseState();
    void auto_onTarget_noStepAndSuccess();
    void auto_convergesToTruePoint();
    void auto_unreachable_stopsAfter26TracesAtTop();
    void auto_withoutStartPoint_readsSavedValueFirst();
    void auto_portClosed_stopsAndSendsNothing();
    void auto_silentUnit_stopsWithoutStepping();
    void auto_unitFallsSilentInLoop_stopsWithoutStepping();
    void auto_locksPagesButAbortStopsTrace();
    void auto_windowClosed_endsRun();
};

void TestFreeAirTrace::init() {
    TestWindow::clearSettings();
}

void TestFreeAirTrace::trace_stopDuringLongTrace_sendsTfAndTerminates() {
    TestWindow w;
    quickTrace(w);
    w.get<QAbstractButton>("btn7057")->click();
    auto* trace = w.get<QAbstractButton>("btnTrace");
    auto* stop = w.get<QAbstractButton>("btnTraceStop");
    w.port().clearWritten();
    bool hiddenWhileTracing = false;
    when([&] { return samplesShown(w, 500) >= 5; },
         [&] {
             hiddenWhileTracing = trace->isHidden();
             stop->click();
         });

    trace->click();

    QVERIFY(hiddenWhileTracing);
    QVERIFY(!trace->isHidden());
    QCOMPARE(w.sent().first(), QStringLiteral("t1"));
    QCOMPARE(w.sent().last(), QStringLiteral("tf"));
    QCOMPARE(w.statusText(), QStringLiteral("Trace Terminated"));
    QVERIFY(!w.form->bAborted);
    QVERIFY(w.model->traceLineCount() < 500);
}

void TestFreeAirTrace::trace_averagesLinesAndSkipsNonHex() {
    TestWindow::Config c;
    c.unitAttached = false;  // only what the test feeds arrives
    TestWindow w(c);
    w.get<QAbstractButton>("btn7057")->click();
    when([&] { return w.statusText() == QLatin1String("tracing .."); },
         [&] {
             w.port().feed(
                 "2000 01C2 0320 0001\r\n"
                 "\r\ns3c0E 3C0E\r\n"       // a reply in between
                 "zz00 0000 0000 0002\r\n"  // not hex: skipped
                 "2003 01C3 0321 0003\r\n");
         });
    when([&] { return samplesShown(w, 500) >= 2; },
         [&] { w.get<QAbstractButton>("btnTraceStop")->click(); });

    w.get<QAbstractButton>("btnTrace")->click();

    QCOMPARE(w.get<QLabel>("LabIpx")->text(), QStringLiteral(" 8195"));
    QCOMPARE(w.get<QLabel>("LabAve")->text(), QStringLiteral(" 2"));  // 1.5 to even
    QCOMPARE(w.get<QLineEdit>("TxtData0")->text(), QStringLiteral("2003"));
    QCOMPARE(w.get<QLineEdit>("txtData1")->text(), QStringLiteral("01C3"));
    QCOMPARE(w.get<QLineEdit>("txtData2")->text(), QStringLiteral("0321"));
    QCOMPARE(w.get<QLineEdit>("txtData3")->text(), QStringLiteral("0003"));
    QVERIFY(lit(w, "shpCalUp"));
    QCOMPARE(w.statusText(), QStringLiteral("Trace Terminated"));
}

void TestFreeAirTrace::trace_timeout_remainderIsNoSample() {
    TestWindow::Config c;
    c.unitAttached = false;
    TestWindow w(c);
    w.get<QAbstractButton>("btn7057")->click();
    w.port().clearWritten();
    when([&] { return w.statusText() == QLatin1String("tracing .."); },
         [&] { w.port().feed("2000 0000 0000 0000\r\n2100 00"); });  // then silence

    w.get<QAbstractButton>("btnTrace")->click();

    QCOMPARE(w.form->data().text(), QStringLiteral("Timeout occurred (Is the unit connected?)"));
    QCOMPARE(w.get<QLabel>("LabIpx")->text(), QStringLiteral(" 8192"));
    QCOMPARE(w.get<QLabel>("LabAve")->text(), QStringLiteral(" 0"));
    QCOMPARE(w.sent(), (QStringList{"t1", "tf"}));
    QCOMPARE(w.statusText(), QStringLiteral("Trace Terminated"));
}

void TestFreeAirTrace::trace_indicatorsFollowAverageAndKeepCoarseState() {
    TestWindow w(unitAt(3580));  // at 3630 Ipx reads 8192 + 2 x 50
    quickTrace(w);
    w.get<QAbstractButton>("btn7057")->click();
    const auto traceOnce = [&w] {
        when([&] { return samplesShown(w, 500) >= 1; },
             [&] { w.get<QAbstractButton>("btnTraceStop")->click(); });
        w.get<QAbstractButton>("btnTrace")->click();
        settle(w);
    };

    traceOnce();
    QCOMPARE(w.get<QLabel>("LabAve")->text(), QStringLiteral(" 100"));
    QVERIFY(lit(w, "shpCalUp") && lit(w, "shpCalLeft"));
    QVERIFY(!lit(w, "shpCalDown") && !lit(w, "shpCalRight"));

    w.get<QScrollBar>("sbCalLarge")->setValue(3590);  // +20: the coarse indicator stays lit
    traceOnce();
    QCOMPARE(w.get<QLabel>("LabAve")->text(), QStringLiteral(" 20"));
    QVERIFY(lit(w, "shpCalUp") && lit(w, "shpCalLeft"));

    w.get<QScrollBar>("sbCalLarge")->setValue(3580);  // on target: everything out
    traceOnce();
    QCOMPARE(w.get<QLabel>("LabAve")->text(), QStringLiteral(" 0"));
    for (const char* shape : {"shpCalUp", "shpCalDown", "shpCalLeft", "shpCalRight"}) {
        QCOMPARE(w.get<ShapeWidget>(shape)->fillColor(), ShapeWidget::neutralColor());
    }
}

void TestFreeAirTrace::auto_onTarget_noStepAndSuccess() {
    TestWindow w(unitAt(3630));
    quickTrace(w);
    w.get<QAbstractButton>("btn7057")->click();
    w.port().clearWritten();

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(w.sent(), (QStringList{"s0382", "t0", "t1", "tf"}));
    QCOMPARE(w.statusText(), QStringLiteral("Trace Terminated"));
    QVERIFY(w.model->traceLineCount() >= 76);  // 1 + 75 samples were needed
    auto* result = w.get<QLabel>("lautoInProgress");
    QCOMPARE(result->text(), QStringLiteral("Cal Value = 3630"));
    QCOMPARE(textColour(result), QColor(0, 128, 0));
    QVERIFY(!w.get<QLabel>("lUpdateMsg")->isHidden());
    QCOMPARE(w.get<QLabel>("lAutoCount")->text(), QString());
    QVERIFY(w.get<QLabel>("labCalV")->font().bold());
    QVERIFY(w.get<QAbstractButton>("btnUpdate")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnAutoCal")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnCalAbort")->isHidden());
}

void TestFreeAirTrace::auto_convergesToTruePoint() {
    TestWindow w(unitAt(3700));
    quickTrace(w);
    w.get<QAbstractButton>("btn7057")->click();

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(w.get<QLabel>("lautoInProgress")->text(), QStringLiteral("Cal Value = 3700"));
    QCOMPARE(w.model->calibrationValue(), 3700);
    // -140 -> +20 three times, -20 -> +5, -10 -> +2, -6 -> +2, -2 -> +1, then on target.
    QCOMPARE(traceStarts(w.sent()), 1 + 8);
}

void TestFreeAirTrace::auto_unreachable_stopsAfter26TracesAtTop() {
    TestWindow w(unitAt(6000));  // beyond the range: never on target
    quickTrace(w);
    w.get<QAbstractButton>("btn7057")->click();
    w.port().clearWritten();

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(traceStarts(w.sent()), 27);
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 5000);
    QCOMPARE(w.sent().filter(QStringLiteral("s3b")).last(), QStringLiteral("s3b88"));
    QCOMPARE(w.get<QLabel>("lAutoCount")->text(), QStringLiteral(" 25"));
    QCOMPARE(w.get<QLabel>("lautoInProgress")->text(), QString());
    QVERIFY(w.get<QLabel>("lUpdateMsg")->isHidden());
    QVERIFY(w.get<QAbstractButton>("btnUpdate")->isEnabled());
}

void TestFreeAirTrace::auto_withoutStartPoint_readsSavedValueFirst() {
    TestWindow w(unitAt(3800));  // the unit's saved value is its true point
    quickTrace(w);
    w.port().clearWritten();

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(w.sent().mid(0, 9),
             (QStringList{"g03", "s0405", "s0382", "g3c", "g3b", "s3c0E", "s3bD8", "s0382", "t0"}));
    QCOMPARE(w.get<QLabel>("lautoInProgress")->text(), QStringLiteral("Cal Value = 3800"));
}

void TestFreeAirTrace::auto_portClosed_stopsAndSendsNothing() {
    TestWindow::Config c;
    c.presentPorts = {};
    c.savedPort = QString();
    TestWindow w(c);
    w.get<QAbstractButton>("btn7057")->click();

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(w.statusText(), kStopped);
    QCOMPARE(w.statusColour(), QColor(255, 0, 0));
    QCOMPARE(w.port().written(), QByteArray());
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 3630);
    QCOMPARE(w.get<QLabel>("lautoInProgress")->text(), QString());
    QVERIFY(w.get<QLabel>("lUpdateMsg")->isHidden());
    QVERIFY(w.get<QAbstractButton>("btnAutoCal")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnCalAbort")->isHidden());
    QVERIFY(w.form->findChild<QTabWidget*>("SSTab1")->tabBar()->isEnabled());
}

void TestFreeAirTrace::auto_silentUnit_stopsWithoutStepping() {
    TestWindow w(unitAt(3000));
    w.get<QAbstractButton>("btn7057")->click();
    UnitOptions silent = w.model->options();
    silent.silent = true;
    w.model->setOptions(silent);
    w.port().clearWritten();

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(w.sent(), (QStringList{"s0382", "t0"}));
    QCOMPARE(w.statusText(), kStopped);
    QCOMPARE(w.form->data().text(), QStringLiteral("Timeout occurred (Is the unit connected?)"));
    QCOMPARE(w.get<QLabel>("lautoInProgress")->text(), QString());
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 3630);
}

void TestFreeAirTrace::auto_unitFallsSilentInLoop_stopsWithoutStepping() {
    TestWindow::Config c;
    c.unitAttached = false;
    TestWindow w(c);
    w.get<QAbstractButton>("btn7057")->click();
    settle(w);
    w.port().clearWritten();
    // One line answers the first trace (Ipx 4096, far below target); then nothing more.
    when([&] { return w.sent().contains(QStringLiteral("t0")); },
         [&] { w.port().feed("1000 0000 0000 0000\r\n"); });

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(w.sent(), (QStringList{"s0382", "t0", "t0"}));
    QCOMPARE(w.statusText(), kStopped);
    QCOMPARE(w.get<QScrollBar>("sbCalLarge")->value(), 3630);
    QCOMPARE(w.get<QLabel>("LabAve")->text(), QStringLiteral("-4096"));
}

void TestFreeAirTrace::auto_locksPagesButAbortStopsTrace() {
    TestWindow w(unitAt(3800));  // on target at its saved value
    quickTrace(w);
    auto* tabs = w.form->findChild<QTabWidget*>("SSTab1");
    tabs->setCurrentIndex(1);
    // No start point: the run reads the saved one, which enables Trace and Update mid-run.
    auto* abort = w.get<QAbstractButton>("btnCalAbort");
    bool locked = false;
    QString progress;
    when([&] { return samplesShown(w, 75) >= 10; },
         [&] {
             locked = !tabs->tabBar()->isEnabled() && !tabs->isTabEnabled(0) &&
                      !tabs->isTabEnabled(2) && !w.get<QScrollBar>("sbCalLarge")->isEnabled() &&
                      !w.get<QAbstractButton>("btnTrace")->isEnabled() &&
                      !w.get<QAbstractButton>("btnUpdate")->isEnabled() &&
                      !w.get<QAbstractButton>("btnAutoCal")->isEnabled() &&
                      !w.get<QAbstractButton>("btnL1H1")->isEnabled() && abort->isEnabled() &&
                      !abort->isHidden() && !w.get<QWidget>("frmManualFA")->isHidden();
             progress = w.get<QLabel>("lautoInProgress")->text();
             abort->click();  // ends this trace; the run goes on with its average
         });

    w.get<QAbstractButton>("btnAutoCal")->click();

    QVERIFY(locked);
    QCOMPARE(progress, QStringLiteral("In Progress"));
    QCOMPARE(w.get<QLabel>("lautoInProgress")->text(), QStringLiteral("Cal Value = 3800"));
    QVERIFY(w.model->traceLineCount() < 60);  // the 75-sample trace was cut short
    QVERIFY(tabs->tabBar()->isEnabled() && tabs->isTabEnabled(0) && tabs->isTabEnabled(2));
    QVERIFY(w.get<QScrollBar>("sbCalLarge")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnTrace")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnUpdate")->isEnabled());
    QVERIFY(w.get<QAbstractButton>("btnL1H1")->isEnabled());
}

void TestFreeAirTrace::auto_windowClosed_endsRun() {
    TestWindow w(unitAt(6000));  // would take all 26 loop traces
    w.get<QAbstractButton>("btn7057")->click();
    w.port().clearWritten();
    when([&] { return traceStarts(w.sent()) >= 1; }, [&] { w.form->close(); });

    w.get<QAbstractButton>("btnAutoCal")->click();

    QCOMPARE(traceStarts(w.sent()), 1);
    QCOMPARE(only(w.sent(), {"s3c", "s3b"}), QStringList());
    QCOMPARE(w.get<QLabel>("lautoInProgress")->text(), QString());
}

QTEST_MAIN(TestFreeAirTrace)
#include "test_free_air_trace.moc"
