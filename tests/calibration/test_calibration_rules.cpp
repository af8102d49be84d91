#include <QTest>

#include "calibration/auto_search_tables.h"
#include "calibration/calibration_value.h"
#include "calibration/ipx_trace.h"
#include "support/test_locale.h"

using IpxTrace::Indicators;
Q_DECLARE_METATYPE(Indicators)

class TestCalibrationRules : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void samplesFor_data();
    void samplesFor();
    void stepFor_data();
    void stepFor();
    void average_data();
    void average();
    void indicators_data();
    void indicators();
    void readLine_data();
    void readLine();
    void typedValue_data();
    void typedValue();
    void readBack_data();
    void readBack();
    void modeByteText_data();
    void modeByteText();
};

void TestCalibrationRules::samplesFor_data() {
    QTest::addColumn<int>("average");
    QTest::addColumn<int>("samples");
    const QList<std::pair<int, int>> cases{{25, 1}, {24, 4}, {10, 4}, {9, 15}, {5, 15},  {4, 25},
                                           {3, 25}, {2, 40}, {1, 75}, {0, 75}, {1000, 1}};
    for (const auto& [average, samples] : cases) {
        QTest::addRow("%d", average) << average << samples;
        if (average != 0) {
            QTest::addRow("%d", -average) << -average << samples;  // only the size counts
        }
    }
}

void TestCalibrationRules::samplesFor() {
    QFETCH(int, average);
    QFETCH(int, samples);
    QCOMPARE(AutoSearch::samplesFor(average), samples);
}

void TestCalibrationRules::stepFor_data() {
    QTest::addColumn<int>("average");
    QTest::addColumn<int>("step");
    const QList<std::pair<int, int>> cases{
        {5000, -100}, {501, -100}, {500, -50},  {151, -50},   {150, -20},   {51, -20},   {50, -5},
        {11, -5},     {10, -2},    {4, -2},     {3, -1},      {1, -1},      {0, 0},      {-1, 1},
        {-3, 1},      {-4, 2},     {-10, 2},    {-11, 5},     {-50, 5},     {-51, 20},   {-150, 20},
        {-151, 50},   {-500, 50},  {-501, 100}, {-1000, 100}, {-1001, 200}, {-8192, 200}};
    for (const auto& [average, step] : cases) {
        QTest::addRow("%d", average) << average << step;
    }
}

void TestCalibrationRules::stepFor() {
    QFETCH(int, average);
    QFETCH(int, step);
    QCOMPARE(AutoSearch::stepFor(average), step);
}

void TestCalibrationRules::average_data() {
    QTest::addColumn<QList<int>>("samples");
    QTest::addColumn<int>("average");
    QTest::newRow("on target") << QList<int>{8192} << 0;
    QTest::newRow("1.5 up to even 2") << QList<int>{8193, 8194} << 2;
    QTest::newRow("0.5 down to even 0") << QList<int>{8192, 8193} << 0;
    QTest::newRow("-0.5 to even 0") << QList<int>{8191, 8192} << 0;
    QTest::newRow("-1.5 to even -2") << QList<int>{8190, 8191} << -2;
    QTest::newRow("-2.5 to even -2") << QList<int>{8189, 8190} << -2;
    QTest::newRow("2.5 to even 2") << QList<int>{8194, 8195} << 2;
    QTest::newRow("third below half") << QList<int>{8192, 8192, 8193} << 0;
    QTest::newRow("two thirds up") << QList<int>{8192, 8193, 8193} << 1;
    QTest::newRow("two thirds below") << QList<int>{8191, 8191, 8192} << -1;
    QTest::newRow("zero reading") << QList<int>{0} << -8192;
    QList<int> many(500, 0x7FFF);
    many.last() = 0x7FFE;
    QTest::newRow("500 high readings") << many << 24575;
}

void TestCalibrationRules::average() {
    QFETCH(QList<int>, samples);
    QFETCH(int, average);
    qint64 sum = 0;
    for (int s : samples) {
        sum += s;
    }
    QCOMPARE(IpxTrace::average(sum, static_cast<int>(samples.size())), average);
}

void TestCalibrationRules::indicators_data() {
    QTest::addColumn<int>("average");
    QTest::addColumn<Indicators>("previous");
    QTest::addColumn<Indicators>("expected");
    //                                        up     down   left   right
    const Indicators none{};
    const Indicators coarseBoth{false, false, true, true};
    QTest::newRow("41 lights left") << 41 << none << Indicators{true, false, true, false};
    QTest::newRow("40 keeps left off") << 40 << none << Indicators{true, false, false, false};
    QTest::newRow("40 keeps left on") << 40 << coarseBoth << Indicators{true, false, true, false};
    QTest::newRow("2 keeps left on") << 2 << coarseBoth << Indicators{true, false, true, false};
    QTest::newRow("1 clears all") << 1 << coarseBoth << none;
    QTest::newRow("0 clears all") << 0 << Indicators{true, true, true, true} << none;
    QTest::newRow("-1 clears all") << -1 << coarseBoth << none;
    QTest::newRow("-2 keeps right on") << -2 << coarseBoth << Indicators{false, true, false, true};
    QTest::newRow("-40 keeps right off") << -40 << none << Indicators{false, true, false, false};
    QTest::newRow("-41 lights right") << -41 << none << Indicators{false, true, false, true};
    QTest::newRow("from far below to far above")
        << 500 << Indicators{false, true, false, true} << Indicators{true, false, true, false};
}

void TestCalibrationRules::indicators() {
    QFETCH(int, average);
    QFETCH(Indicators, previous);
    QFETCH(Indicators, expected);
    const Indicators got = IpxTrace::indicatorsFor(average, previous);
    QCOMPARE(got.up, expected.up);
    QCOMPARE(got.down, expected.down);
    QCOMPARE(got.left, expected.left);
    QCOMPARE(got.right, expected.right);
}

void TestCalibrationRules::readLine_data() {
    QTest::addColumn<QString>("rx");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("ipx");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("trace line") << "2000 01C2 0320 0007\r\n"
                                << 0 << 8192 << QStringList{"2000", "01C2", "0320", "0007"};
    QTest::newRow("second line by position")
        << "2000 01C2 0320 0007\r\n2001 01C3 0321 0008\r\n"
        << 21 << 8193 << QStringList{"2001", "01C3", "0321", "0008"};
    QTest::newRow("reply to a command is skipped")
        << "\r\ns3c0E 3C0E\r\n"
        << 2 << -1 << QStringList{"s3c0", " 3C0", "\r\n", ""};
    QTest::newRow("blank line is skipped")
        << "\r\n2000 0000 0000 0000\r\n"
        << 0 << -1 << QStringList{"\r\n20", "0 00", "0 00", "0 00"};
    QTest::newRow("lower-case hex is skipped")
        << "1f00 0000 0000 0000\r\n"
        << 0 << -1 << QStringList{"1f00", "0000", "0000", "0000"};
    QTest::newRow("short line runs into its end")
        << "12\r\n2000" << 0 << -1 << QStringList{"12\r\n", "000", "", ""};
    QTest::newRow("7FFF is the largest reading") << "7FFF\r\n"
                                                 << 0 << 32767 << QStringList{"7FFF", "\n", "", ""};
    QTest::newRow("8000 is no reading") << "8000\r\n"
                                        << 0 << -1 << QStringList{"8000", "\n", "", ""};
}

void TestCalibrationRules::readLine() {
    QFETCH(QString, rx);
    QFETCH(int, start);
    QFETCH(int, ipx);
    QFETCH(QStringList, fields);
    const IpxTrace::Line line = IpxTrace::readLine(rx, start);
    QCOMPARE(line.ipx, ipx);
    QCOMPARE((QStringList{line.ipxField, line.field1, line.field2, line.field3}), fields);
}

void TestCalibrationRules::typedValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "3630" << 3630;
    QTest::newRow("above the top") << "6000" << 5000;
    QTest::newRow("half above the top") << "5000.5" << 5000;
    QTest::newRow("no number") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("half to even down") << "3800.5" << 3800;
    QTest::newRow("half to even up") << "3801.5" << 3802;
    QTest::newRow("leading number only") << "  3700 counts" << 3700;
    QTest::newRow("exponent") << "3.7e3" << 3700;
    QTest::newRow("negative to the bottom") << "-25" << 0;
    QTest::newRow("huge negative") << "-1e300" << 0;
    QTest::newRow("huge") << "1e300" << 5000;
}

void TestCalibrationRules::typedValue() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(CalValue::fromTyped(text), value);
}

void TestCalibrationRules::readBack_data() {
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("valid");
    QTest::newRow("3800") << 0x0E << 0xD8 << 3800 << true;
    QTest::newRow("zero") << 0 << 0 << 0 << true;
    QTest::newRow("5000 is the top") << 0x13 << 0x88 << 5000 << true;
    QTest::newRow("5001") << 0x13 << 0x89 << 5001 << false;
    QTest::newRow("14/00 gives 5120") << 0x14 << 0 << 5120 << false;
    QTest::newRow("high byte not hex") << -1 << 0x20 << -224 << false;
    QTest::newRow("low byte not hex") << 0x0E << -1 << 3583 << false;
}

void TestCalibrationRules::readBack() {
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(int, value);
    QFETCH(bool, valid);
    const CalValue::ReadBack r = CalValue::fromRegisters(high, low);
    QCOMPARE(r.value, value);
    QCOMPARE(r.valid, valid);
}

void TestCalibrationRules::modeByteText_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("cal mode") << 0x82 << "82";
    QTest::newRow("below 16") << 5 << "05";
    QTest::newRow("not hex") << -1 << "??";
    QTest::newRow("beyond a byte") << 256 << "??";
}

void TestCalibrationRules::modeByteText() {
    QFETCH(int, mode);
    QFETCH(QString, text);
    QCOMPARE(CalValue::modeByteText(mode), text);
}

QTEST_APPLESS_MAIN(TestCalibrationRules)
#include "test_calibration_rules.moc"
