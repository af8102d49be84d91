// The calibration's arithmetic: the search's ends, the trace average and indicators, reading a
// trace line, a typed value and the value read back, the chart's data and axes. Runs under a
// decimal-comma locale too.
#include <QTest>

#include "calibration/auto_search_tables.h"
#include "calibration/calibration_chart_model.h"
#include "calibration/calibration_value.h"
#include "calibration/ipx_trace.h"
#include "support/rows.h"
#include "support/test_locale.h"

using IpxTrace::Indicators;

class TestCalibration : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void search_stepsNotMirrorImagesSamplesBySize() {
        // Above the target the largest step is -100, below it +100 and then +200.
        const QList<std::pair<int, int>> steps{{501, -100}, {500, -50}, {4, -2},      {3, -1},
                                               {0, 0},      {-3, 1},    {-1000, 100}, {-1001, 200}};
        for (const auto& [average, step] : steps) {
            QCOMPARE(AutoSearch::stepFor(average), step);
        }
        for (const auto& [average, n] : QList<std::pair<int, int>>{{25, 1}, {2, 40}, {1, 75}}) {
            QCOMPARE(AutoSearch::samplesFor(average), n);
            QCOMPARE(AutoSearch::samplesFor(-average), n);  // only the size counts
        }
    }

    void trace_averageIndicatorsAndLines() {
        // samples (mean minus 8192, halves to even)
        for (const QStringList& r :
             rows({"8193 8194|2", "8192 8193|0", "8190 8191|-2", "8192 8193 8193|1", "0|-8192"})) {
            qint64 sum = 0;
            const QStringList samples = r[0].split(u' ');
            for (const QString& v : samples) {
                sum += v.toInt();
            }
            QCOMPARE(IpxTrace::average(sum, static_cast<int>(samples.size())), r[1].toInt());
        }
        QCOMPARE(IpxTrace::average(499LL * 0x7FFF + 0x7FFE, 500), 24575);  // no overflow

        // The coarse indicators keep their state inside 2..40 and -40..-2.
        const Indicators none{};
        const Indicators coarse{false, false, true, true};
        const QList<std::tuple<int, Indicators, Indicators>> indicators{
            {41, none, {true, false, true, false}},   {40, none, {true, false, false, false}},
            {2, coarse, {true, false, true, false}},  {1, coarse, none},
            {-2, coarse, {false, true, false, true}}, {-41, none, {false, true, false, true}}};
        for (const auto& [average, previous, expected] : indicators) {
            QVERIFY(IpxTrace::indicatorsFor(average, previous) == expected);
        }

        //                     text, line start, Ipx (-1: skipped), the four fields
        const QList<std::tuple<QString, int, int, QString>> lines{
            {"2000 01C2 0320 0007\r\n2001 01C3 0321 0008\n", 21, 8193, "2001 01C3 0321 0008"},
            {"\r\ns3c0E 3C0E\r\n", 2, -1, "s3c0  3C0 \r\n "},
            {"1f00 0000 0000 0000\r\n", 0, -1, "1f00 0000 0000 0000"},
            {"7FFF\r\n", 0, 32767, "7FFF \n  "},
            {"8000\r\n", 0, -1, "8000 \n  "}};
        for (const auto& [rx, start, ipx, fields] : lines) {
            const IpxTrace::Line line = IpxTrace::readLine(rx, start);
            QCOMPARE(line.ipx, ipx);
            QCOMPARE(QStringList({line.ipxField, line.field1, line.field2, line.field3}).join(' '),
                     fields);
        }
    }

    void value_typedAndReadBack() {
        for (const QStringList& r :
             rows({"3630|3630", "6000|5000", "abc|0", "3800.5|3800", "3801.5|3802",
                   "  3700 counts|3700", "3.7e3|3700", "-25|0", "1e300|5000"})) {
            QCOMPARE(CalValue::fromTyped(r[0]), r[1].toInt());
        }
        //                     high, low, value, valid: a byte that is no hex (-1) never passes
        for (const QStringList& r : rows({"0E|D8|3800|1", "13|88|5000|1", "13|89|5001|0",
                                          "-1|20|-224|0", "0E|-1|3583|0"})) {
            const CalValue::ReadBack back =
                CalValue::fromRegisters(r[0].toInt(nullptr, 16), r[1].toInt(nullptr, 16));
            QCOMPARE(back.value, r[2].toInt());
            QCOMPARE(back.valid, r[3] == "1");
        }
        QCOMPARE(CalValue::modeByteText(0x82) + CalValue::modeByteText(5), QStringLiteral("8205"));
        QCOMPARE(CalValue::modeByteText(-1) + CalValue::modeByteText(256), QStringLiteral("????"));
    }

    void chart_keepsTheLastTraceARunSpansItsTracesAndSteps() {
        CalibrationChartModel m;
        int changes = 0;
        m.changed = [&changes] { ++changes; };
        m.beginTrace(500);
        m.addSample(8200, 8);
        m.addSample(8186, 1);  // the average after it, as IpxAverage: 8193
        m.setNote(QStringLiteral("Timeout"));
        QCOMPARE(changes, 4);
        QCOMPARE(m.extent(), qsizetype{500});
        QCOMPARE(m.samples().last().average, 8193);
        QCOMPARE((QList{m.ipxRange().low, m.ipxRange().high}), (QList{8186, 8200}));
        m.addStep(3000);  // no run: no step
        QVERIFY(m.steps().isEmpty() && m.valueRange().low > m.valueRange().high);

        m.beginRun(3630);  // the run's traces follow one another; each step at the samples so far
        QVERIFY(m.samples().isEmpty() && m.note().isEmpty());
        m.beginTrace(1);
        m.addSample(9000, 808);
        m.addStep(3530);
        m.beginTrace(4);
        QCOMPARE(m.extent(), qsizetype{5});
        for (int i = 0; i < 3; ++i) {
            m.addSample(8000, -192);
        }
        m.addStep(3570);
        m.endRun();
        QCOMPARE(m.samples().size(), 4);
        QCOMPARE(m.traceStarts(), (QList<qsizetype>{0, 1}));
        QString steps;
        for (const auto& s : m.steps()) {
            steps += QStringLiteral("%1:%2 ").arg(s.at).arg(s.value);
        }
        QCOMPARE(steps, QStringLiteral("0:3630 1:3530 4:3570 "));
        QCOMPARE((QList{m.ipxRange().low, m.ipxRange().high, m.valueRange().low}),
                 (QList{8000, 9000, 3530}));
        m.beginTrace(500);  // the next trace, on its own, replaces the run
        QVERIFY(m.samples().isEmpty() && m.steps().isEmpty() && m.traceStarts().size() == 1);
    }

    void chart_axesInWholeStepsOfOneTwoOrFive() {
        //                     low, high, most steps
        for (const QStringList& r : rows({"0|500|6", "8150|8230|5", "8192|8192|4", "3480|3630|3",
                                          "-1200|9000|7", "0|1|8", "7|8|1"})) {
            const double low = r[0].toDouble();
            const double high = r[1].toDouble();
            const ChartAxis a = niceAxis(low, high, r[2].toInt());
            const double mantissa = a.step / std::pow(10.0, std::floor(std::log10(a.step)));
            const bool nice = mantissa == 1 || mantissa == 2 || mantissa == 5;
            QVERIFY2(a.low <= low && a.high >= high && a.step >= 1 &&
                         (a.high - a.low) / a.step <= r[2].toInt() &&
                         std::fmod(a.low, a.step) == 0 && nice,
                     qPrintable(r.join(u' ') +
                                QStringLiteral(" -> %1 %2 %3").arg(a.low).arg(a.high).arg(a.step)));
        }
        const ChartAxis trace = niceAxis(0, 500, 6);
        QCOMPARE((QList{trace.low, trace.high, trace.step}), (QList{0.0, 500.0, 100.0}));
    }
};

QTEST_APPLESS_MAIN(TestCalibration)
#include "test_calibration.moc"
