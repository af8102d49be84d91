// The text of numbers, the port map and the device link's waits, against a line that delivers
// only what the test feeds. Runs under a decimal-comma locale too.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>

#include "link/device_link.h"
#include "link/hex_text.h"
#include "support/fake_serial_port.h"
#include "support/rows.h"
#include "support/test_locale.h"

class TestLink : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void init();
    void cleanup() { delete m_link; }
    void numberText_hexFormatLeadingNumberRounding();
    void portMap_precedenceUsbFirstNaturalOrder();
    void replies_completeParameterWordVersion();
    void rxBuffer_cutAt56000OnlyWhileShownTailAppended();
    void openPort_greetsFailsOrTimesOut();
    void waits_ticksLinesLostAndClosing();

  private:
    void openFeedOnly();
    FakeSerialPort* m_port = nullptr;
    DeviceLink* m_link = nullptr;
};

void TestLink::init() {
    m_link = new DeviceLink([this] {
        auto p = std::make_unique<FakeSerialPort>(nullptr);
        m_port = p.get();
        return p;
    });
    m_link->setTickInterval(5);
}

// A port with nothing behind it: the greeting times out, then only fed bytes arrive.
void TestLink::openFeedOnly() {
    m_link->setPortMap({{1, QStringLiteral("/dev/fake1")}});
    QVERIFY(m_link->OpenPort(QStringLiteral("COM1")));
    m_port->clearWritten();
}

void TestLink::numberText_hexFormatLeadingNumberRounding() {
    for (const QStringList& r : rows({"7FFF|32767", "000000007FFF|32767", "00FF|255", "|0",
                                      "12G4|-1", "00ff|-1", "003F\r|-1", "8000|-1"})) {
        QCOMPARE(hexVal(r[0]), r[1].toInt());
    }
    QCOMPARE(hex2(0) + hex2(255) + hex4(122) + hex4(70000) + hex4(-1),
             QStringLiteral("00FF007A11170FFFFFFFF"));
    // The commands' bytes: what test_flash and test_free_air see sent.
    QCOMPARE(withSignPosition(8192) + withSignPosition(-5), QStringLiteral(" 8192-5"));
    // Two and three decimals, halves away from zero on the decimal form; other text unchanged.
    for (const QStringList& r :
         rows({"14.7|14.70|14.700", ".5|0.50|0.500", "0.125|0.13|0.125", "-0.125|-0.13|-0.125",
               "12345.678|12345.68|12345.678", "9.999|10.00|9.999", "1.5e2|150.00|150.000",
               "-0.001|0.00|-0.001", "abc|abc|abc", "2.5V|2.5V|2.5V"})) {
        QCOMPARE(Format2d(r[0]) + ' ' + Format3d(r[0]), r[1] + ' ' + r[2]);
    }
    // "." whatever the locale; the reading stops where the number stops.
    for (const QStringList& r :
         rows({"2.5V|2.5", "14.70|14.7", "abc|0", ",5|0", "  -12.25x|-12.25", "+3.75|3.75",
               "1234,0.85|1234", "7e|7", "2.5\r|2.5", "-1e-999|0"})) {
        QCOMPARE(leadingNumber(r[0]), r[1].toDouble());
    }
    QCOMPARE(leadingNumber(u"1e999"), std::numeric_limits<double>::infinity());
    QCOMPARE(readLeadingNumber(u"&H1F", true).value + readLeadingNumber(u"&o17", true).value, 46.);
    QVERIFY(!readLeadingNumber(u"&H1F", false).found);
    for (const auto& [value, rounded] : QList<std::pair<double, qint64>>{
             {2.5, 2}, {3.5, 4}, {-2.5, -2}, {2047.5, 2048}, {2.6, 3}, {std::nan(""), 0}}) {
        QCOMPARE(roundHalfEven(value), rounded);
    }
    QCOMPARE(roundHalfEven(1e300), std::numeric_limits<qint64>::max());
}

void TestLink::portMap_precedenceUsbFirstNaturalOrder() {
    const PortMap map = buildPortMap(
        {{1, "/dev/pts/9"}}, {{1, "/dev/ttyS0"}, {2, "/x"}},
        {"/dev/ttyS10", "/dev/ttyUSB10", "/x", "/dev/ttyS2", "/dev/ttyUSB2", "/dev/ttyACM0"});
    QCOMPARE(map.values(), (QStringList{"/dev/pts/9", "/x", "/dev/ttyACM0", "/dev/ttyUSB2",
                                        "/dev/ttyUSB10", "/dev/ttyS2", "/dev/ttyS10"}));
    QStringList many;
    for (int i = 0; i < 12; ++i) {
        many.append(QStringLiteral("/dev/ttyS%1").arg(i));
    }
    QCOMPARE(buildPortMap({}, {}, many).lastKey(), kLastComPort);
    for (const QStringList& r : rows({"COM3=/dev/ttyUSB0|3", "com2=/dev/pts/3|2", "COM10=/dev/x|0",
                                      "COM0=/dev/x|0", "COM1=|0", "COM1|0"})) {
        int n = 0;
        QString path;
        QCOMPARE(parsePortMapEntry(r[0], &n, &path), r[1] != "0");
        QCOMPARE(n, r[1].toInt());
    }
}

void TestLink::replies_completeParameterWordVersion() {
    openFeedOnly();
    for (const auto& [reply, timedOut] : QList<std::pair<QByteArray, bool>>{
             {"\r\nv 2.01\r\n", false}, {"\nx\n", false}, {"\r\nv 2.", true}}) {
        m_port->feed(reply);
        QCOMPARE(m_link->GetResponse(), QString::fromLatin1(reply));
        QCOMPARE(m_link->bTimedOut(), timedOut);
        // Seen the moment it is there; given up on the 16th tick.
        QVERIFY(timedOut ? m_link->tickCount() == 16 : m_link->tickCount() <= 2);
    }
    m_port->feed("\r\ng3c ");
    QTimer::singleShot(30, this, [this] { m_port->feed("000E\r\n"); });
    QCOMPARE(m_link->GetResponse(), QStringLiteral("\r\ng3c 000E\r\n"));

    QSignalSpy shown(m_link, &DeviceLink::parameterShown);
    // reply, parameter (the four characters after the first blank), read as hex
    for (const QStringList& r :
         rows({"\r\ng3c 00FF\r\n|00FF|255", "ABCDEF\n\n|ABCD|-1", "\n\nv 2|2|2",
               "\r\nv 2.5\r\n|2.5\r|-1", "\r\ng3c 00ff\r\n|00ff|-1", "||0"})) {
        m_port->feed(r[0].toLatin1());
        QCOMPARE(m_link->GetParameter(), r[1]);
        QCOMPARE(shown.last().at(0).toString(), r[1]);
        m_port->feed(r[0].toLatin1());
        QCOMPARE(m_link->GetWord(), r[2].toInt());
    }
    QSignalSpy captions(m_link, &DeviceLink::firmwareCaption);
    m_port->feed("\r\nv 3.5\r\n");
    QCOMPARE(m_link->GetVersion(), 4);  // halves to the even neighbour
    QCOMPARE(captions.last().at(0).toString(), QStringLiteral("ROM 3.5\r"));
    QCOMPARE(m_port->writtenCommands(), QStringList{"v"});
}

void TestLink::rxBuffer_cutAt56000OnlyWhileShownTailAppended() {
    openFeedOnly();
    QSignalSpy shown(m_link, &DeviceLink::rxShown);
    m_link->setShowRx(false);
    m_link->setRxBuffer(QString(56000, QLatin1Char('a')));
    m_port->feed("zz");
    QTRY_COMPARE(m_link->RxBuffer().size(), qsizetype(56002));
    QVERIFY(shown.isEmpty());
    // 3999 characters go, so exactly the b's and the new z remain: 56001 -> "..." + 52002.
    m_link->setShowRx(true);
    m_link->setRxBuffer(QString(3999, QLatin1Char('a')) + QString(52001, QLatin1Char('b')));
    m_port->feed("z");
    QTRY_COMPARE(m_link->RxBuffer(), "..." + QString(52001, QLatin1Char('b')) + 'z');
    QCOMPARE(shown.last().at(1).toBool(), false);  // rewritten, not appended
    m_link->clearRxBuffer();
    m_port->feed("one ");
    QTRY_COMPARE(shown.last().at(0).toString(), QStringLiteral("one "));
    m_link->appendRxBuffer(QStringLiteral("[ v ]"));
    m_port->feed(QByteArray("\xB0\xFF\x00", 3));  // one byte, one character
    QTRY_COMPARE(shown.last().at(0).toString(), "one [ v ]" + QString::fromLatin1("\xB0\xFF\0", 3));
    QCOMPARE(shown.last().at(1).toBool(), true);
}

void TestLink::openPort_greetsFailsOrTimesOut() {
    QSignalSpy notOpen(m_link, &DeviceLink::notOpen);
    m_link->TxString(QStringLiteral("v"));
    QCOMPARE(notOpen.count(), 1);
    QVERIFY(m_port->written().isEmpty());
    QSignalSpy opened(m_link, &DeviceLink::opened);
    QSignalSpy failed(m_link, &DeviceLink::openFailed);
    m_port->setModel(std::make_shared<UnitModel>());
    m_link->setPortMap({{3, QStringLiteral("/dev/fake3")}});
    QVERIFY(m_link->OpenPort(QStringLiteral("COM3")));
    QCOMPARE(m_port->written(), QByteArray("tf\rv\r"));  // one carriage return each
    QVERIFY(!m_link->bTimedOut() && m_link->showsRx());
    QCOMPARE(opened.last().at(0).toString(), QStringLiteral("COM3"));
    QVERIFY(!m_link->OpenPort(QStringLiteral("COM7")));  // nothing mapped
    m_port->setOpenFails(true);
    QVERIFY(!m_link->OpenPort(QStringLiteral("COM3")));
    QCOMPARE(failed.count(), 2);  // a silent unit, opened all the same: test_window
}

void TestLink::waits_ticksLinesLostAndClosing() {
    QCOMPARE(DeviceLink::nextTick(31998) + DeviceLink::nextTick(31999), 31999);  // never 32000
    m_link->wait_ticks(3);
    QCOMPARE(m_link->tickCount(), 3);
    openFeedOnly();
    m_link->setRxBuffer(QStringLiteral("2000 0000"));
    QTimer::singleShot(20, this, [this] { m_port->feed(" 0000 0001\r\n2001"); });
    qsizetype from = 0;
    const auto never = [] { return false; };
    QCOMPARE(m_link->waitForLine(&from, never), qsizetype(20));
    from = 21;
    QCOMPARE(m_link->waitForLine(&from, never), qsizetype(-1));
    QVERIFY(m_link->bTimedOut());
    bool stop = false;
    QTimer::singleShot(10, this, [&stop] { stop = true; });
    QCOMPARE(m_link->waitForLine(&from, [&stop] { return stop; }), qsizetype(-1));
    QVERIFY(!m_link->bTimedOut());
    // Emptied meanwhile: the next line starts at the buffer's new beginning.
    m_link->clearRxBuffer();
    m_port->feed("2002 0000 0000 0002\n");
    QCOMPARE(m_link->waitForLine(&from, never), qsizetype(19));
    QCOMPARE(from, qsizetype(0));

    m_link->setPortName(QStringLiteral("COM4"));
    QSignalSpy lost(m_link, &DeviceLink::connectionLost);
    m_port->loseConnection();
    QCOMPARE(lost.last().at(0).toString(), QStringLiteral("COM4"));
    m_link->GetResponse();  // nothing can arrive: no waiting
    QVERIFY(!m_link->isOpen() && m_link->bTimedOut() && m_link->tickCount() < 2);
    openFeedOnly();
    QElapsedTimer t;
    t.start();
    m_link->setClosing();
    m_link->TxString(QStringLiteral("v"));
    m_link->GetResponse();
    m_link->wait_ticks(50);
    QVERIFY(m_port->written().isEmpty() && t.elapsed() < 150);
}

QTEST_MAIN(TestLink)
#include "test_link.moc"
