#include <QTest>

#include "link/port_map.h"

class TestPortMap : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void commandLineWinsOverSettings();
    void discoveredFillFreeNamesUsbFirst();
    void discoveredAlreadyMapped_notListedTwice();
    void moreDevicesThanNames_stopAtCom9();
    void devicesSortedByTheirNumber();
    void parseEntry_data();
    void parseEntry();
    void comNumber_onlyCom1ToCom9();
};

void TestPortMap::commandLineWinsOverSettings() {
    const PortMap map =
        buildPortMap({{3, QStringLiteral("/dev/pts/4")}},
                     {{3, QStringLiteral("/dev/ttyS0")}, {4, QStringLiteral("/x")}}, {});
    QCOMPARE(map.value(3), QStringLiteral("/dev/pts/4"));
    QCOMPARE(map.value(4), QStringLiteral("/x"));
    QCOMPARE(map.size(), 2);
}

void TestPortMap::discoveredFillFreeNamesUsbFirst() {
    const PortMap map = buildPortMap(
        {{1, QStringLiteral("/dev/pts/9")}}, {},
        {QStringLiteral("/dev/ttyS1"), QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyS0"),
         QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB0")});
    QCOMPARE(map.value(1), QStringLiteral("/dev/pts/9"));
    QCOMPARE(map.value(2), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(map.value(3), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(map.value(4), QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(map.value(5), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(map.value(6), QStringLiteral("/dev/ttyS1"));
}

void TestPortMap::discoveredAlreadyMapped_notListedTwice() {
    const PortMap map =
        buildPortMap({}, {{5, QStringLiteral("/dev/ttyUSB0")}},
                     {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB0")});
    QCOMPARE(map.size(), 1);
    QCOMPARE(map.value(5), QStringLiteral("/dev/ttyUSB0"));
}

void TestPortMap::moreDevicesThanNames_stopAtCom9() {
    QStringList many;
    for (int i = 0; i < 12; ++i) {
        many.append(QStringLiteral("/dev/ttyS%1").arg(i, 2, 10, QLatin1Char('0')));
    }
    const PortMap map = buildPortMap({}, {}, many);
    QCOMPARE(map.size(), 9);
    QCOMPARE(map.firstKey(), 1);
    QCOMPARE(map.lastKey(), 9);
    QCOMPARE(map.value(9), QStringLiteral("/dev/ttyS08"));
}

void TestPortMap::devicesSortedByTheirNumber() {
    const PortMap map =
        buildPortMap({}, {},
                     {QStringLiteral("/dev/ttyUSB10"), QStringLiteral("/dev/ttyS10"),
                      QStringLiteral("/dev/ttyUSB2"), QStringLiteral("/dev/ttyS2"),
                      QStringLiteral("/dev/ttyUSB1")});
    QCOMPARE(map.values(),
             (QStringList{QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyUSB2"),
                          QStringLiteral("/dev/ttyUSB10"), QStringLiteral("/dev/ttyS2"),
                          QStringLiteral("/dev/ttyS10")}));
}

void TestPortMap::parseEntry_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "COM3=/dev/ttyUSB0" << 3 << "/dev/ttyUSB0";
    QTest::newRow("lower case name") << "com2=/dev/pts/3" << 2 << "/dev/pts/3";
    QTest::newRow("COM10 refused") << "COM10=/dev/x" << 0 << "";
    QTest::newRow("COM0 refused") << "COM0=/dev/x" << 0 << "";
    QTest::newRow("no path") << "COM1=" << 0 << "";
    QTest::newRow("no equals") << "COM1" << 0 << "";
}

void TestPortMap::parseEntry() {
    QFETCH(QString, entry);
    QFETCH(int, number);
    QFETCH(QString, path);
    int n = 0;
    QString p;
    QCOMPARE(parsePortMapEntry(entry, &n, &p), number != 0);
    QCOMPARE(n, number);
    QCOMPARE(p, path);
}

void TestPortMap::comNumber_onlyCom1ToCom9() {
    QCOMPARE(comNumber(QStringLiteral("COM1")), 1);
    QCOMPARE(comNumber(QStringLiteral("COM9")), 9);
    QCOMPARE(comNumber(QStringLiteral("COM99")), 0);
    QCOMPARE(comNumber(QStringLiteral("")), 0);
    QCOMPARE(comName(7), QStringLiteral("COM7"));
}

QTEST_APPLESS_MAIN(TestPortMap)
#include "test_port_map.moc"
