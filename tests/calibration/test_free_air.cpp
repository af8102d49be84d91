// The "Free Air" page: the value's way to the unit, Last, Update, the trace and the auto search,
// and the chart of both.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScrollBar>

#include "calibration/calibration_chart.h"
#include "calibration/calibration_page.h"
#include "link/hex_text.h"
#include "support/test_window.h"

namespace {

// A unit whose sensor reads 8192 at `truePoint`, with trace lines every 2 ms.
struct FreeAir : TestWindow {
    explicit FreeAir(int truePoint = 3700, Config config = {})
        : TestWindow((config.unit.truePoint = truePoint, config)) {
        port().setTraceIntervalMs(2);
    }
    QStringList sentOf(qsizetype mark, const QString& prefix) const {
        return sentSince(mark).filter(QRegularExpression("^(" + prefix + ")"));
    }
    void turnOn(bool UnitOptions::*flag) {  // one of the unit's behaviours, from now on
        UnitOptions options = model->options();
        options.*flag = true;
        model->setOptions(options);
    }
    void feedOnTrace(const QByteArray& b) {
        when([this] { return statusText() == "tracing .."; }, [=, this] { port().feed(b); });
    }
    int value() const { return get<QScrollBar>("sbCalLarge")->value(); }
    QString text(const char* name) const { return get<QLabel>(name)->text(); }
    bool enabled(const char* name) const { return get(name)->isEnabled(); }
    // N of a status line "Trace N (M)"; no other status has a number for its second word.
    int samples() const { return statusText().section(u' ', 1, 1).toInt(); }
};

}  // namespace

class TestFreeAir : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() { TestWindow::clearSettings(); }

    void presetsSpinThumbAndTyping_sendOnlyRealChanges() {
        FreeAir w(3700, {.shown = true});
        w.showPage(1);
        QVERIFY(!w.enabled("btnTrace"));
        const std::tuple<const char*, int, QString> presets[]{{"btnL1H1", 3800, "s3c0E s3bD8"},
                                                              {"btn7057", 3630, "s3c0E s3b2E"},
                                                              {"btn6066", 3430, "s3c0D s3b66"}};
        for (const auto& [button, value, commands] : presets) {
            const qsizetype mark = w.mark();
            w.click(button);
            w.click(button);  // the same value again is no change
            QCOMPARE(w.sentSince(mark).join(u' '), commands);
            QCOMPARE(w.text("labCalV"), QString::number(value));
            QCOMPARE(w.statusText(), QStringLiteral("Calibration point set to  %1").arg(value));
            QVERIFY(w.enabled("btnTrace") && w.enabled("btnUpdate"));
        }
        auto* spin = w.get<QScrollBar>("sbCalSmall");
        qsizetype mark = w.mark();
        spin->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the upper arrow: down by one
        spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(w.sentSince(mark).join(u' '), "s3c0D s3b65 s3c0D s3b66");
        QCOMPARE(spin->value(), 1);
        auto* large = w.get<QScrollBar>("sbCalLarge");
        large->triggerAction(QAbstractSlider::SliderToMaximum);
        mark = w.mark();
        spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // 5000 + 1 stays 5000
        large->setSliderDown(true);  // dragging the thumb shows the value and sends on release
        large->setSliderPosition(1234);
        QCOMPARE(w.get<QLineEdit>("tFACalV")->text(), "1234");
        QCOMPARE(w.sentSince(mark), QStringList());
        large->setSliderDown(false);
        QCOMPARE(w.sentSince(mark).join(u' '), "s3c04 s3bD2");
        w.click("cmdManualFA");
        // Enter or leaving the box sends the value typed (read as test_calibration reads it).
        const std::tuple<QString, bool, QString, QString> cases[]{
            {"6000", false, "s3c13 s3b88", "5000"},
            {"3700", true, "s3c0E s3b74", "3700"},
            {"3630.4 counts", false, "", "3630.4 counts"}};
        for (const auto& [typed, leaveInsteadOfEnter, sent, shown] : cases) {
            w.click("btn7057");
            const qsizetype mark = w.mark();
            w.type("tFACalV", typed);
            leaveInsteadOfEnter ? QTest::mouseClick(w.get("Text0"), Qt::LeftButton)
                                : QTest::keyClick(w.get("tFACalV"), Qt::Key_Return);
            QCOMPARE(w.sentSince(mark).join(u' '), sent);
            QCOMPARE(w.text("labCalV"), shown);
        }
    }

    void lastAndUpdate_readKeepSaveAndRefuseBadOrSilent() {
        FreeAir w;  // the unit holds its factory value 3800
        qsizetype mark = w.mark();
        w.click("btnLast");
        QCOMPARE(w.sentSince(mark).join(u' '), "g03 s0405 s0382 g3c g3b s3c0E s3bD8");
        w.click("btn6066");
        mark = w.mark();
        w.click("btnLast");  // kept: set again without any exchange
        QCOMPARE(w.sentSince(mark).join(u' '), "s3c0E s3bD8");
        w.click("btn6066");
        w.settle();
        mark = w.mark();
        w.click("btnUpdate");
        QCOMPARE(w.sentSince(mark).join(u' '), "s03e1 w");
        QTRY_COMPARE(w.model->eeprom().mid(UnitModel::kCalHighCell, 2), "\x0D\x66");  // high, low
        w.settle();
        w.model->setReg(0x3c, 0x14);  // 14/00 gives 5120: out of range
        w.model->setReg(0x3b, 0x00);
        w.click("btnLast");  // the save forgot the kept value: read again
        QCOMPARE(w.statusText(), "Bad calibration value 5120");
        QCOMPARE(w.statusColour(), QColor(Qt::red));
        QCOMPARE(w.value(), 3430);
        w.turnOn(&UnitOptions::lowerCase);  // "d8" must not pass as 9 x 256 - 1
        w.model->setReg(0x3c, 0x09);
        w.model->setReg(0x3b, 0xD8);
        w.click("btnLast");
        QCOMPARE(w.statusText(), "Bad calibration value 2303");
        w.turnOn(&UnitOptions::silent);
        mark = w.mark();
        w.click("btnLast");  // stops at the first silence
        QCOMPARE(w.statusText(), "Timeout");
        QCOMPARE(w.statusColour(), QColor(255, 0, 0));
        w.click("btn7057");
        w.click("btnUpdate");  // with no answer to s03e1, no "w"
        QCOMPARE(w.sentSince(mark).join(u' '), "g03 s3c0E s3b2E s03e1");
        QVERIFY(w.enabled("btnUpdate"));
    }

    void fedLines_traceAveragesTimesOutAndAutoStopsWithoutReading() {
        FreeAir w(3700, {.unitAttached = false});  // only what the test feeds arrives
        w.click("btn7057");
        w.feedOnTrace(
            "2000 01C2 0320 0001\r\n\r\ns3c0E 3C0E\r\nzz00 0000 0000 0002\r\n"
            "2003 01C3 0321 0003\r\n");
        when([&] { return w.samples() >= 2; }, [&] { w.click("btnTraceStop"); });
        qsizetype mark = w.mark();
        w.click("btnTrace");
        QCOMPARE(w.text("LabAve"), " 2");  // (8192 + 8195) / 2 - 8192 = 1.5: even
        QCOMPARE(w.get<QLineEdit>("txtData3")->text(), "0003");
        QCOMPARE(w.get<ShapeWidget>("shpCalUp")->fillColor(), QColor(0, 240, 0));
        QCOMPARE(w.statusText(), "Trace Terminated");
        QVERIFY(!w.data().startsWith("Timeout"));  // the Stop ended it, not silence
        QCOMPARE(w.sentSince(mark), (QStringList{"t1", "tf"}));
        w.feedOnTrace("2000 0000 0000 0000\r\n2100 00");  // then silence: half a line is no sample
        w.click("btnTrace");
        QCOMPARE(w.data(), "Timeout occurred (Is the unit connected?)");
        QCOMPARE(w.text("LabAve"), " 0");
        mark = w.mark();  // a run's first trace gets one line (Ipx 4096, far below); then nothing
        when([&] { return w.sentSince(mark).contains("t0"); },
             [&] { w.port().feed("1000 0000 0000 0000\r\n"); });
        w.click("btnAutoCal");
        QCOMPARE(w.sentSince(mark).join(u' '), "s0382 t0 t0");
        QCOMPARE(w.statusText(), "Auto calibration stopped - no reading from the unit");
        QCOMPARE(w.value(), 3630);
    }

    void auto_searchesTheTruePointWithThePagesLocked() {
        //                     true point, 7057 pressed first, traces, result, value after
        const QList<std::tuple<int, bool, int, QString, int>> cases{
            // -140 -> +20 three times, -20 -> +5, -10 -> +2, -6 -> +2, -2 -> +1, then on target.
            {3700, true, 9, "Cal Value = 3700", 3700},
            {6000, true, 27, "", 5000},                   // unreachable: stops at the top
            {3800, false, 2, "Cal Value = 3800", 3800}};  // reads the saved value first
        for (const auto& [truePoint, startPoint, traces, result, value] : cases) {
            FreeAir w(truePoint);
            w.showPage(1);
            QTabBar* tabs = w.get<QTabWidget>("SSTab1")->tabBar();
            bool locked = false;
            if (startPoint) {
                w.click("btn7057");
            } else {  // on target: the last trace takes 75 samples, and an Abort ends only that
                when([&] { return w.statusText().endsWith("(75)") && w.samples() >= 10; },
                     [&] {
                         locked = !tabs->isEnabled() && !w.enabled("sbCalLarge") &&
                                  !w.enabled("btnUpdate") && !w.enabled("btnL1H1") &&
                                  w.enabled("btnCalAbort") &&
                                  w.text("lautoInProgress") == "In Progress";
                         w.click("btnCalAbort");
                     });
            }
            const qsizetype mark = w.mark();
            w.click("btnAutoCal");
            QCOMPARE(locked && w.model->traceLineCount() < 60, !startPoint);
            QCOMPARE(w.sentOf(mark, "t0|t1").size(), traces);
            QCOMPARE(w.sentSince(mark).at(startPoint ? 0 : 7), "s0382");
            QCOMPARE(w.text("lautoInProgress"), result);
            QCOMPARE(w.value(), value);
            QCOMPARE(w.get("lUpdateMsg")->isHidden(), result.isEmpty());
            QCOMPARE(w.text("lAutoCount"), result.isEmpty() ? QStringLiteral(" 25") : QString());
            QVERIFY(w.get<QLabel>("labCalV")->font().bold() && w.enabled("btnUpdate"));
            QVERIFY(w.enabled("btnAutoCal") && w.get("btnCalAbort")->isHidden());
            QVERIFY(tabs->isEnabled() && w.enabled("sbCalLarge") && w.enabled("btnTrace"));
        }
    }

    void chartTickedDuringTrace_holdsTheAcceptedSamplesAndARunsSteps() {
        FreeAir w(3700, {.unit = {.noise = 3}, .shown = true});
        w.showPage(1);
        w.click("btn7057");
        auto* box = w.get<QCheckBox>("chkChart");
        const CalibrationChartModel& model = w.form->calibration().chartModel();
        CalibrationChart& chart = w.form->calibration().chart();
        QElapsedTimer shown;
        when([&] { return w.samples() >= 20; },
             [&] {
                 QTest::mouseClick(box, Qt::LeftButton);
                 shown.start();
             });
        when([&] { return w.samples() >= 150; }, [&] { w.click("btnTraceStop"); });
        w.click("btnTrace");
        QVERIFY(chart.isShown() && w.get("picChart")->isVisible());
        QCOMPARE(w.get("picChart")->geometry(), w.get("txtData")->geometry());
        QVERIFY2(chart.drawCount() >= 1 && chart.drawCount() <= shown.elapsed() / 100 + 2,
                 qPrintable(QString::number(chart.drawCount())));
        // Every line whose first field is hex was a sample, in order, until the trace stopped.
        QList<int> lines;
        for (const QString& line : w.form->link().RxBuffer().split(u'\n')) {
            if (const int ipx = hexVal(line.left(4)); ipx >= 0) {
                lines << ipx;
            }
        }
        QList<int> charted;
        for (const auto& s : model.samples()) {
            charted << s.ipx;
        }
        QVERIFY2(charted.size() >= 150 && charted == lines.first(charted.size()),
                 qPrintable(QString::number(charted.size())));
        QCOMPARE(w.text("LabAve"), withSignPosition(model.samples().last().average - 8192));
        w.showPage(0);  // the chart is the "Free Air" page's; it keeps the trace meanwhile
        QVERIFY(!w.get("picChart")->isVisible());
        w.showPage(1);
        QVERIFY(w.get("picChart")->isVisible() && model.samples().size() == charted.size());

        const qsizetype mark = w.mark();
        w.click("btnAutoCal");  // one chart: every trace of the run, the start value and each step
        QCOMPARE(model.traceStarts().size(), w.sentOf(mark, "t0|t1").size());
        QCOMPARE(model.steps().size(), model.traceStarts().size());
        QCOMPARE(model.steps().last().at, model.samples().size());
        QList<int> sent{3630};  // the values the unit was sent, and those charted as they changed
        const QStringList bytes = w.sentOf(mark, "s3c|s3b");
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            sent << bytes[i].mid(3).toInt(nullptr, 16) * 256 +
                        bytes[i + 1].mid(3).toInt(nullptr, 16);
        }
        QList<int> steps;
        for (const auto& s : model.steps()) {
            if (steps.isEmpty() || steps.last() != s.value) {
                steps << s.value;
            }
        }
        QCOMPARE(steps, sent);
        QCOMPARE(TestWindow::settings().value("FreeAir/chart").toString(), "true");
        QVERIFY(TestWindow({.load = false}).get<QCheckBox>("chkChart")->isChecked());
    }

    void closedPortOrWindow_sendsNothingMore() {
        FreeAir closed(3700, {.presentPorts = {}, .savedPort = QString()});
        closed.click("btn7057");
        closed.click("btnLast");
        QCOMPARE(closed.statusText(), "COM port must be opened first");
        closed.click("btnUpdate");
        closed.click("btnAutoCal");
        QCOMPARE(closed.statusText(), "Auto calibration stopped - no reading from the unit");
        QCOMPARE(closed.port().written(), QByteArray());
        QCOMPARE(closed.value(), 3630);
        FreeAir closing(6000);  // would take all 26 loop traces
        closing.click("btn7057");
        const qsizetype mark = closing.mark();
        when([&] { return !closing.sentOf(mark, "t0").isEmpty(); }, [&] { closing.form->close(); });
        closing.click("btnAutoCal");
        QCOMPARE(closing.sentOf(mark, "t0|t1|s3c|s3b"), QStringList{"t0"});
        QCOMPARE(closing.text("lautoInProgress"), QString());
        // The port lost under a trace ends it as aborted, not as a unit gone silent.
        FreeAir lost(3700);
        lost.click("btn7057");
        when([&] { return lost.samples() >= 2; }, [&] { lost.port().loseConnection(); });
        lost.click("btnTrace");
        QVERIFY2(!lost.data().startsWith(u"Timeout"), qPrintable(lost.data()));
    }
};

QTEST_MAIN(TestFreeAir)
#include "test_free_air.moc"
