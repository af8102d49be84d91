#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "sim/fake_serial_port.h"
#include "sim/unit_model.h"

namespace {

constexpr int kWaitMs = 2000;

// Reads until `count` line feeds have arrived or nothing came for `quietMs`.
QByteArray readLines(FakeSerialPort& port, int count, int quietMs = kWaitMs) {
    QByteArray bytes;
    QSignalSpy ready(&port, &SerialPort::readyRead);
    bytes += port.readAll();
    while (bytes.count('\n') < count && ready.wait(quietMs)) {
        bytes += port.readAll();
    }
    return bytes;
}

std::shared_ptr<UnitModel> unitWith(const UnitOptions& options) {
    return std::make_shared<UnitModel>(options);
}

}  // namespace

class TestFakeSerialPort : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void write_replyArrivesOnlyThroughEventLoop();
    void faultSwitchedOnSharedUnit_reachesPort();
    void written_keepsBytesAndCommands();
    void closedPort_writesNothingAndHearsNothing();
    void openFails_reportsError();
    void delayedReplies_arriveLateInOrder_data();
    void delayedReplies_arriveLateInOrder();
    void trace_linesUntilStopped();
    void hangUp_lastReplyThenConnectionLost();
    void loseConnection_closesAndSignalsOnce();
    void feed_deliversWithoutUnit();
};

void TestFakeSerialPort::write_replyArrivesOnlyThroughEventLoop() {
    FakeSerialPort port;
    QVERIFY(port.open());
    QSignalSpy ready(&port, &SerialPort::readyRead);
    QVERIFY(port.write("v\r"));
    QCOMPARE(ready.count(), 0);
    QCOMPARE(port.bytesAvailable(), 0);
    QVERIFY(ready.wait(kWaitMs));
    QCOMPARE(port.readAll(), QByteArray("\r\nv 2.01\r\n"));
    QCOMPARE(port.bytesAvailable(), 0);
}

void TestFakeSerialPort::faultSwitchedOnSharedUnit_reachesPort() {
    auto unit = std::make_shared<UnitModel>();
    FakeSerialPort port(unit);
    QVERIFY(port.open());
    port.write("g3c\r");
    QCOMPARE(readLines(port, 2), QByteArray("\r\ng3c 000E\r\n"));
    UnitOptions options = unit->options();
    options.lowerCase = true;
    unit->setOptions(options);
    port.write("g3c\r");
    QCOMPARE(readLines(port, 2), QByteArray("\r\ng3c 000e\r\n"));
    QCOMPARE(unit->faultCount(UnitFault::LowerCase), 1);
}

void TestFakeSerialPort::written_keepsBytesAndCommands() {
    FakeSerialPort port;
    QVERIFY(port.open());
    port.write("tf\rv\r");
    port.write("s3c0E\r\ne00");
    QCOMPARE(port.written(), QByteArray("tf\rv\rs3c0E\r\ne00"));
    QCOMPARE(port.writtenCommands(), (QStringList{"tf", "v", "s3c0E"}));
    QCOMPARE(port.model()->commands(), (QByteArrayList{"tf", "v", "s3c0E"}));
    port.clearWritten();
    QVERIFY(port.written().isEmpty());
}

void TestFakeSerialPort::closedPort_writesNothingAndHearsNothing() {
    FakeSerialPort port;
    QVERIFY(!port.write("v\r"));
    QCOMPARE(port.model()->commandCount(), 0);
    QVERIFY(port.written().isEmpty());

    // a reply that comes while the port is closed is lost, not kept for the next open
    QVERIFY(port.open());
    port.write("v\r");
    port.close();
    QTest::qWait(50);
    QVERIFY(port.open());
    QSignalSpy ready(&port, &SerialPort::readyRead);
    QVERIFY(!ready.wait(200));
    QCOMPARE(port.bytesAvailable(), 0);
    QCOMPARE(port.openCount(), 2);
}

void TestFakeSerialPort::openFails_reportsError() {
    FakeSerialPort port;
    port.setOpenFails(true);
    QVERIFY(!port.open());
    QVERIFY(!port.isOpen());
    QVERIFY(!port.errorString().isEmpty());
    port.setOpenFails(false);
    QVERIFY(port.open());
    QVERIFY(port.errorString().isEmpty());
}

void TestFakeSerialPort::delayedReplies_arriveLateInOrder_data() {
    QTest::addColumn<bool>("instant");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("delays honoured") << false << 290 << 1500;
    QTest::newRow("instant") << true << 0 << 150;
}

// Half the replies are held back 300 ms; the line still delivers them in command order.
void TestFakeSerialPort::delayedReplies_arriveLateInOrder() {
    QFETCH(bool, instant);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    UnitOptions options;
    options.delayMs = 300;
    options.delayRate = 0.5;
    options.seed = 5;
    auto unit = unitWith(options);
    FakeSerialPort port(unit);
    port.setInstant(instant);
    QVERIFY(port.open());
    QByteArray expected;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 8; ++i) {
        const QByteArray command = "e00F" + QByteArray::number(i) + "00";
        port.write(command + '\r');
        expected += "\r\n" + command + " 00F" + QByteArray::number(i) + "\r\n";
    }
    QVERIFY(unit->faultCount(UnitFault::Delay) > 0);
    QVERIFY(unit->faultCount(UnitFault::Delay) < 8);
    const QByteArray got = readLines(port, 16);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(got, expected);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
}

void TestFakeSerialPort::trace_linesUntilStopped() {
    FakeSerialPort port;
    port.setTraceIntervalMs(5);
    QVERIFY(port.open());
    port.write("t1\r");
    const QByteArray lines = readLines(port, 10);
    QVERIFY(lines.count('\n') >= 10);
    QVERIFY(lines.startsWith("20C8 "));  // factory 3800, true point 3700, gain 2: 8392

    port.write("tf\r");
    const QByteArray tail = readLines(port, 1000, 300);  // until the line stays quiet
    QVERIFY(tail.contains("\r\ntf 0000\r\n"));
    QVERIFY(tail.endsWith("\r\ntf 0000\r\n"));
    QVERIFY(!port.model()->tracing());
}

void TestFakeSerialPort::hangUp_lastReplyThenConnectionLost() {
    UnitOptions options;
    options.hangUpAfter = 2;
    options.delayMs = 50;
    auto unit = unitWith(options);
    FakeSerialPort port(unit);
    QVERIFY(port.open());
    QSignalSpy lost(&port, &SerialPort::connectionLost);
    QByteArray got;
    connect(&port, &SerialPort::readyRead, this, [&] { got += port.readAll(); });
    port.write("tf\rv\rg3c\r");
    QVERIFY(lost.wait(kWaitMs));
    QCOMPARE(got, QByteArray("\r\ntf 0000\r\n\r\nv 2.01\r\n"));
    QVERIFY(!port.isOpen());
    QCOMPARE(lost.count(), 1);
    QCOMPARE(unit->faultCount(UnitFault::HangUp), 1);
}

void TestFakeSerialPort::loseConnection_closesAndSignalsOnce() {
    FakeSerialPort port;
    QSignalSpy lost(&port, &SerialPort::connectionLost);
    port.loseConnection();
    QCOMPARE(lost.count(), 0);  // nothing to lose while closed
    QVERIFY(port.open());
    port.loseConnection();
    QVERIFY(!port.isOpen());
    port.loseConnection();
    QCOMPARE(lost.count(), 1);
}

void TestFakeSerialPort::feed_deliversWithoutUnit() {
    FakeSerialPort port(nullptr);  // nobody on the line
    QVERIFY(port.open());
    QVERIFY(port.write("v\r"));
    port.feed("\r\nv 2.");
    port.feed("5\r\n");
    QCOMPARE(port.bytesAvailable(), 0);
    QCOMPARE(readLines(port, 2), QByteArray("\r\nv 2.5\r\n"));
    QCOMPARE(port.writtenCommands(), QStringList{"v"});
}

QTEST_GUILESS_MAIN(TestFakeSerialPort)

#include "tst_fake_serial_port.moc"
