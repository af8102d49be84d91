#include <QTest>

#include "link/hex_text.h"
#include "link/unit_commands.h"
#include "support/test_locale.h"

class TestHexText : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void hexVal_data();
    void hexVal();
    void hex2_data();
    void hex2();
    void hex4_data();
    void hex4();
    void format_data();
    void format();
    void leadingNumber_data();
    void leadingNumber();
    void roundHalfEven_data();
    void roundHalfEven();
    void signPosition_blankBeforeNonNegative();
    void commands_areUpperCaseHexWithFixedWidths();
};

void TestHexText::hexVal_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("max") << "7FFF" << 32767;
    QTest::newRow("zeros") << "0000" << 0;
    QTest::newRow("byte") << "00FF" << 255;
    QTest::newRow("bad digit") << "12G4" << -1;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("lower case") << "00ff" << -1;
    QTest::newRow("blank") << "00 F" << -1;
    QTest::newRow("dollar") << "$0FF" << -1;
    QTest::newRow("line end") << "003F\r" << -1;
    QTest::newRow("many leading zeros") << "000000007FFF" << 32767;
    QTest::newRow("above 7FFF") << "8000" << -1;
    QTest::newRow("FFFF") << "FFFF" << -1;
    QTest::newRow("five digits") << "10000" << -1;
}

void TestHexText::hexVal() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(::hexVal(text), value);
}

void TestHexText::hex2_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "00";
    QTest::newRow("10") << 10 << "0A";
    QTest::newRow("15") << 15 << "0F";
    QTest::newRow("16") << 16 << "10";
    QTest::newRow("255") << 255 << "FF";
}

void TestHexText::hex2() {
    QFETCH(int, byte);
    QFETCH(QString, text);
    QCOMPARE(::hex2(byte), text);
}

void TestHexText::hex4_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0000";
    QTest::newRow("122") << 122 << "007A";
    QTest::newRow("511") << 511 << "01FF";
    QTest::newRow("4096") << 4096 << "1000";
    QTest::newRow("65535") << 65535 << "FFFF";
    QTest::newRow("70000") << 70000 << "11170";
    QTest::newRow("-1") << -1 << "FFFFFFFF";
}

void TestHexText::hex4() {
    QFETCH(int, n);
    QFETCH(QString, text);
    QCOMPARE(::hex4(n), text);
}

void TestHexText::format_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("two");
    QTest::addColumn<QString>("three");
    QTest::newRow("14.7") << "14.7"
                          << "14.70"
                          << "14.700";
    QTest::newRow(".5") << ".5"
                        << "0.50"
                        << "0.500";
    QTest::newRow("half away") << "0.125"
                               << "0.13"
                               << "0.125";
    QTest::newRow("grouping") << "12345.678"
                              << "12345.68"
                              << "12345.678";
    QTest::newRow("negative") << "-2"
                              << "-2.00"
                              << "-2.000";
    QTest::newRow("0.68") << "0.68"
                          << "0.68"
                          << "0.680";
    QTest::newRow("2") << "2"
                       << "2.00"
                       << "2.000";
    QTest::newRow("negative half") << "-0.125"
                                   << "-0.13"
                                   << "-0.125";
    QTest::newRow("carry") << "9.999"
                           << "10.00"
                           << "9.999";
    QTest::newRow("exponent") << "1.5e2"
                              << "150.00"
                              << "150.000";
    QTest::newRow("not a number") << "abc"
                                  << "abc"
                                  << "abc";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("trailing text") << "2.5V"
                                   << "2.5V"
                                   << "2.5V";
    QTest::newRow("lambda") << "0.6122449"
                            << "0.61"
                            << "0.612";
    QTest::newRow("tiny negative rounds to zero") << "-0.001"
                                                  << "0.00"
                                                  << "-0.001";
}

void TestHexText::format() {
    QFETCH(QString, text);
    QFETCH(QString, two);
    QFETCH(QString, three);
    QCOMPARE(Format2d(text), two);
    QCOMPARE(Format3d(text), three);
}

void TestHexText::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("radix");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("found");
    QTest::newRow("unit suffix") << "2.5V" << false << 2.5 << true;
    QTest::newRow("letters") << "abc" << false << 0.0 << false;
    QTest::newRow("comma decimal") << ",5" << false << 0.0 << false;
    QTest::newRow("blanks and sign") << "  -12.25x" << false << -12.25 << true;
    QTest::newRow("csv") << "1234,0.85" << false << 1234.0 << true;
    QTest::newRow("exponent") << "1e3" << false << 1000.0 << true;
    QTest::newRow("bare exponent") << "7e" << false << 7.0 << true;
    QTest::newRow("point only") << "." << false << 0.0 << false;
    QTest::newRow("trailing point") << "5." << false << 5.0 << true;
    QTest::newRow("version") << "2.5\r" << false << 2.5 << true;
    QTest::newRow("hex prefix") << "&H1F" << true << 31.0 << true;
    QTest::newRow("octal prefix") << "&o17" << true << 15.0 << true;
    QTest::newRow("hex prefix not allowed") << "&H1F" << false << 0.0 << false;
    QTest::newRow("bad hex") << "&HZ" << true << 0.0 << false;
}

void TestHexText::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(bool, radix);
    QFETCH(double, value);
    QFETCH(bool, found);
    const LeadingNumber n = readLeadingNumber(text, radix);
    QCOMPARE(n.found, found);
    QCOMPARE(n.value, value);
}

void TestHexText::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("rounded");
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("3.5") << 3.5 << qint64(4);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("2047.5") << 2047.5 << qint64(2048);
    QTest::newRow("2046.5") << 2046.5 << qint64(2046);
    QTest::newRow("2.6") << 2.6 << qint64(3);
    QTest::newRow("huge") << 1e300 << std::numeric_limits<qint64>::max();
    QTest::newRow("nan") << std::nan("") << qint64(0);
}

void TestHexText::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(qint64, rounded);
    QCOMPARE(::roundHalfEven(value), rounded);
}

void TestHexText::signPosition_blankBeforeNonNegative() {
    QCOMPARE(withSignPosition(8192), QStringLiteral(" 8192"));
    QCOMPARE(withSignPosition(0), QStringLiteral(" 0"));
    QCOMPARE(withSignPosition(-5), QStringLiteral("-5"));
}

void TestHexText::commands_areUpperCaseHexWithFixedWidths() {
    QCOMPARE(UnitCommand::eepromWrite(122, 0x3F), QStringLiteral("e007A3F"));
    QCOMPARE(UnitCommand::eepromWrite(0x17E, 5), QStringLiteral("e017E05"));
    QCOMPARE(UnitCommand::eepromRead(0xFC), QStringLiteral("a00FC"));
    QCOMPARE(UnitCommand::setCalHigh(3800), QStringLiteral("s3c0E"));
    QCOMPARE(UnitCommand::setCalLow(3800), QStringLiteral("s3bD8"));
}

QTEST_APPLESS_MAIN(TestHexText)
#include "test_hex_text.moc"
