#include <QTest>

#include <limits>

#include "support/test_locale.h"
#include "tables/linear_table.h"

using namespace tables;

Q_DECLARE_METATYPE(tables::LinearCheck)

namespace {

// The boxes as start-up fills them.
LinearTexts startUpTexts() {
    LinearTexts t;
    t.rich = QStringLiteral("9.00");
    t.lean = QStringLiteral("19.00");
    t.vRich = QStringLiteral("0.00");
    t.vLean = QStringLiteral("5.00");
    t.midMixture = {QStringLiteral("14.7"), QStringLiteral("14.7")};
    t.midVolts = {QStringLiteral("2.85"), QStringLiteral("2.85")};
    t.vUnder = QStringLiteral("0");
    t.vOver = QStringLiteral("5.0");
    t.stoich = QStringLiteral("14.70");
    return t;
}

LinearParams lambdaPoints(QList<double> mixture, QList<double> volts) {
    LinearParams p;
    p.afrMode = false;
    p.stoich = 14.7;
    p.mixture = std::move(mixture);
    p.volts = std::move(volts);
    p.vUnder = p.volts.first();
    p.vOver = p.volts.last();
    return p;
}

}  // namespace

class TestLinearTable : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void startUpValues_giveKnownTable();
    void midPointOnTheLine_givesSameTable();
    void twoMidPointsInLambda_withOverUnderVolts();
    void equalRichAndLean_onlyUnderAndOverVolts();
    void richAtFirstBreakpoint_takesUnderVolts();
    void midEqualToRich_skipsZeroWidthSegment();
    void fallingCurve_validUntilMidPointBreaksDirection();
    void checks_data();
    void checks();
    void outOfRangeVolts_giveCountsBeyondScale();
    void halfCounts_roundToEvenNeighbour();
    void boxReading_data();
    void boxReading();
    void boxReading_hiddenMidPointsAndOverUnderIgnored();
    void modeSwitch_convertsWithStoich();
};

void TestLinearTable::startUpValues_giveKnownTable() {
    const LinearTable t = generateLinearTable(readLinearParams(startUpTexts(), 0, false, true));
    QCOMPARE(t.check, LinearCheck::Ok);
    const QList<qint64> head{0, 43, 106, 168, 230};
    for (int i = 0; i < head.size(); ++i) {
        QCOMPARE(t.counts[i], head[i]);
    }
    QCOMPARE(t.counts[32], qint64(2388));
    QCOMPARE(t.counts[38], qint64(3973));
    for (int i = 39; i < kEntries; ++i) {
        QCOMPARE(t.counts[i], qint64(4095));
    }
}

void TestLinearTable::midPointOnTheLine_givesSameTable() {
    const LinearTable none = generateLinearTable(readLinearParams(startUpTexts(), 0, false, true));
    const LinearTable one = generateLinearTable(readLinearParams(startUpTexts(), 1, false, true));
    QCOMPARE(one.check, LinearCheck::Ok);
    QCOMPARE(one.counts, none.counts);
}

void TestLinearTable::twoMidPointsInLambda_withOverUnderVolts() {
    LinearTexts texts;
    texts.rich = QStringLiteral("0.800");
    texts.vRich = QStringLiteral("0.50");
    texts.midMixture = {QStringLiteral("1.000"), QStringLiteral("1.200")};
    texts.midVolts = {QStringLiteral("2.50"), QStringLiteral("3.00")};
    texts.lean = QStringLiteral("1.500");
    texts.vLean = QStringLiteral("4.50");
    texts.vUnder = QStringLiteral("1.0");
    texts.vOver = QStringLiteral("4.9");
    texts.stoich = QStringLiteral("0");  // not used in lambda mode
    const LinearTable t = generateLinearTable(readLinearParams(texts, 2, true, false));
    QCOMPARE(t.check, LinearCheck::Ok);
    for (int i = 0; i <= 18; ++i) {
        QCOMPARE(t.counts[i], qint64(819));
    }
    QCOMPARE(t.counts[19], qint64(466));
    QCOMPARE(t.counts[32], qint64(2066));
    QCOMPARE(t.counts[36], qint64(2389));
    QCOMPARE(t.counts[37], qint64(2529));
    QCOMPARE(t.counts[41], qint64(3532));
    for (int i = 42; i < kEntries; ++i) {
        QCOMPARE(t.counts[i], qint64(4013));
    }
}

void TestLinearTable::equalRichAndLean_onlyUnderAndOverVolts() {
    LinearParams p = lambdaPoints({1.0090, 1.0090}, {2.0, 3.0});
    p.vUnder = 1.0;
    p.vOver = 4.0;
    const LinearTable t = generateLinearTable(p);
    QCOMPARE(t.check, LinearCheck::Ok);
    for (int i = 0; i < kEntries; ++i) {
        QCOMPARE(t.counts[i], qint64(i <= 32 ? 819 : 3276));  // 1.0090 itself takes the under volts
    }
}

void TestLinearTable::richAtFirstBreakpoint_takesUnderVolts() {
    LinearParams p = lambdaPoints({0.6091, 1.5}, {1.0, 4.0});
    p.vUnder = 0.2;
    const LinearTable t = generateLinearTable(p);
    QCOMPARE(t.counts[0], qint64(164));  // 4095 x 0.2 / 5 = 163.8
    QVERIFY(t.counts[1] > 819);
}

void TestLinearTable::midEqualToRich_skipsZeroWidthSegment() {
    const LinearTable t =
        generateLinearTable(lambdaPoints({0.8, 0.8, 1.2, 1.5}, {0.5, 2.5, 3.0, 4.5}));
    QCOMPARE(t.check, LinearCheck::Ok);
    QCOMPARE(t.counts[18], qint64(410));   // 0.7954: under the rich end, 0.5 V
    QCOMPARE(t.counts[19], qint64(2055));  // 0.8069: between 2.5 V at 0.8 and 3.0 V at 1.2
}

void TestLinearTable::fallingCurve_validUntilMidPointBreaksDirection() {
    LinearTexts texts = startUpTexts();
    texts.vRich = QStringLiteral("5.00");
    texts.vLean = QStringLiteral("0.00");
    texts.midVolts = {QStringLiteral("2.85"), QStringLiteral("2.00")};
    const LinearTable falling = generateLinearTable(readLinearParams(texts, 2, false, true));
    QCOMPARE(falling.check, LinearCheck::Ok);
    QCOMPARE(falling.counts[0], qint64(4095));
    QCOMPARE(falling.counts[64], qint64(0));

    texts.midVolts[0] = QStringLiteral("5.5");
    const LinearTable refused = generateLinearTable(readLinearParams(texts, 2, false, true));
    QCOMPARE(refused.check, LinearCheck::MidpointVoltage);
    QCOMPARE(checkMessage(refused.check), "Invalid midpoint Voltage");
}

void TestLinearTable::checks_data() {
    QTest::addColumn<QList<double>>("mixture");
    QTest::addColumn<QList<double>>("volts");
    QTest::addColumn<bool>("afrMode");
    QTest::addColumn<double>("stoich");
    QTest::addColumn<LinearCheck>("check");
    QTest::addColumn<QString>("message");
    const QString order = QStringLiteral("Lambda/AFR must increase left to right");
    const QString volts = QStringLiteral("Invalid midpoint Voltage");
    const QString stoich = QStringLiteral("Stoich AFR must be greater than 0");
    QTest::newRow("flat curve") << QList<double>{9, 19} << QList<double>{2, 2} << true << 14.7
                                << LinearCheck::Ok << QString();
    QTest::newRow("lean richer than rich") << QList<double>{19, 9} << QList<double>{0, 5} << true
                                           << 14.7 << LinearCheck::MixtureOrder << order;
    QTest::newRow("order reported before volts")
        << QList<double>{9, 20, 19} << QList<double>{0, 6, 5} << true << 14.7
        << LinearCheck::MixtureOrder << order;
    QTest::newRow("mid volts below rich on rising curve")
        << QList<double>{9, 14, 19} << QList<double>{1, 0.5, 5} << true << 14.7
        << LinearCheck::MidpointVoltage << volts;
    QTest::newRow("equal neighbours pass")
        << QList<double>{9, 9, 19, 19} << QList<double>{0, 0, 5, 5} << true << 14.7
        << LinearCheck::Ok << QString();
    QTest::newRow("stoich 0 in AFR mode") << QList<double>{9, 19} << QList<double>{0, 5} << true
                                          << 0.0 << LinearCheck::StoichNotPositive << stoich;
    QTest::newRow("stoich before the order check")
        << QList<double>{19, 9} << QList<double>{0, 5} << true << 0.0
        << LinearCheck::StoichNotPositive << stoich;
    QTest::newRow("stoich 0 in lambda mode is not used")
        << QList<double>{0.6, 1.3} << QList<double>{0, 5} << false << 0.0 << LinearCheck::Ok
        << QString();
}

void TestLinearTable::checks() {
    QFETCH(QList<double>, mixture);
    QFETCH(QList<double>, volts);
    QFETCH(bool, afrMode);
    QFETCH(double, stoich);
    QFETCH(LinearCheck, check);
    QFETCH(QString, message);
    LinearParams p = lambdaPoints(mixture, volts);
    p.afrMode = afrMode;
    p.stoich = stoich;
    const LinearTable t = generateLinearTable(p);
    QCOMPARE(t.check, check);
    QCOMPARE(checkMessage(t.check), message);
}

void TestLinearTable::outOfRangeVolts_giveCountsBeyondScale() {
    // The model limits these when they are stored; the generation must not wrap them.
    const LinearTable t = generateLinearTable(lambdaPoints({0.7, 1.5}, {-1.0, 45.0}));
    QCOMPARE(t.check, LinearCheck::Ok);
    QCOMPARE(t.counts[0], qint64(-819));
    QCOMPARE(t.counts[64], qint64(36855));
}

void TestLinearTable::halfCounts_roundToEvenNeighbour() {
    // 0.5 V steps are exactly half a count: 409.5, 1228.5, 2047.5, 2866.5.
    const QList<qint64> expected{410, 1228, 2048, 2866};
    for (int m = 0; m < 4; ++m) {
        const double v = 0.5 + m;
        const LinearTable t = generateLinearTable(lambdaPoints({0.7, 1.5}, {v, v}));
        QCOMPARE(t.counts[0], expected[m]);
        QCOMPARE(t.counts[40], expected[m]);
    }
}

void TestLinearTable::boxReading_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("unit after number") << "2.5V" << 2.5;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("comma decimal") << ",5" << 0.0;
    QTest::newRow("leading blanks and sign") << "  -1.25" << -1.25;
    QTest::newRow("exponent") << "1e1" << 10.0;
    QTest::newRow("empty") << "" << 0.0;
}

void TestLinearTable::boxReading() {
    QFETCH(QString, text);
    QFETCH(double, value);
    LinearTexts t;
    t.rich = t.lean = t.vRich = t.vLean = t.vUnder = t.vOver = t.stoich = text;
    const LinearParams p = readLinearParams(t, 0, true, true);
    QCOMPARE(p.mixture, (QList<double>{value, value}));
    QCOMPARE(p.volts, (QList<double>{value, value}));
    QCOMPARE(p.vUnder, value);
    QCOMPARE(p.vOver, value);
    QCOMPARE(p.stoich, value);
}

void TestLinearTable::boxReading_hiddenMidPointsAndOverUnderIgnored() {
    LinearTexts t = startUpTexts();
    t.midMixture = {QStringLiteral("12"), QStringLiteral("16")};
    t.midVolts = {QStringLiteral("1"), QStringLiteral("4")};
    const LinearParams one = readLinearParams(t, 1, false, true);
    QCOMPARE(one.mixture, (QList<double>{9, 12, 19}));
    QCOMPARE(one.volts, (QList<double>{0, 1, 5}));
    QCOMPARE(one.vUnder, 0.0);  // the under/over boxes hold 0 and 5.0 but are not ticked
    QCOMPARE(one.vOver, 5.0);
    t.vUnder = QStringLiteral("1.5");
    QCOMPARE(readLinearParams(t, 0, false, true).vUnder, 0.0);
    QCOMPARE(readLinearParams(t, 0, true, true).vUnder, 1.5);
    QCOMPARE(readLinearParams(t, 2, false, true).mixture, (QList<double>{9, 12, 16, 19}));
}

void TestLinearTable::modeSwitch_convertsWithStoich() {
    const QStringList afr{"9.00", "14.7", "14.7", "19.00"};
    QStringList lambda;
    for (const QString& box : afr) {
        lambda.append(mixtureToLambda(box, 14.7));
    }
    QCOMPARE(lambda, (QStringList{"0.612", "1.000", "1.000", "1.293"}));
    QStringList back;
    for (const QString& box : lambda) {
        back.append(mixtureToAfr(box, 14.7));
    }
    QCOMPARE(back, (QStringList{"9.00", "14.70", "14.70", "19.01"}));
    QCOMPARE(mixtureToAfr(QStringLiteral("abc"), 14.7), "0.00");
    QCOMPARE(mixtureToLambda(QStringLiteral("-14.7"), 14.7), "-1.000");
    QVERIFY(!isUsableStoich(0));
    QVERIFY(!isUsableStoich(std::numeric_limits<double>::infinity()));
    QVERIFY(isUsableStoich(0.001));
}

QTEST_GUILESS_MAIN(TestLinearTable)
#include "test_linear_table.moc"
