#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "sim/pty_host.h"
#include "sim/unit_model.h"
#include "support/sim_process.h"

namespace {

constexpr int kWaitMs = 3000;

// Reads until `count` line feeds have arrived or nothing came for `quietMs`. Waits in the
// event loop: the host under test may run in this very thread.
QByteArray readLines(QSerialPort& port, int count, int quietMs = kWaitMs) {
    QSignalSpy ready(&port, &QSerialPort::readyRead);
    QByteArray bytes = port.readAll();
    while (bytes.count('\n') < count && ready.wait(quietMs)) {
        bytes += port.readAll();
    }
    return bytes;
}

bool openPort(QSerialPort& port, const QString& path) {
    // by path: pseudo-terminals are not in QSerialPortInfo's list
    port.setPortName(path);
    return port.open(QIODevice::ReadWrite) && port.setBaudRate(QSerialPort::Baud19200);
}

QByteArray reply(const QByteArray& command, const QByteArray& parameter) {
    return "\r\n" + command + ' ' + parameter + "\r\n";
}

bool stopsCleanly(SimProcess& sim) {
    sim.stop();  // SIGTERM, as a test harness ends it
    return sim.process().exitStatus() == QProcess::NormalExit && sim.process().exitCode() == 0;
}

}  // namespace

class TestPtyHost : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void serialPort_getsReplyByPathOrLink_data();
    void serialPort_getsReplyByPathOrLink();
    void makeLink_replacesSymlinkOnly();
    void pacing_deliversAtLineRate_data();
    void pacing_deliversAtLineRate();
    void nobodyListening_replyLostNotDeliveredLater();
    void hangUp_serialPortSeesError();
    void simProcess_optionsReachTheLine_data();
    void simProcess_optionsReachTheLine();
    void simProcess_linksLogsAndCleansUp();
    void simProcess_eepromKeptBetweenRuns();
    void simProcess_badOption_exitsWithError_data();
    void simProcess_badOption_exitsWithError();
};

void TestPtyHost::serialPort_getsReplyByPathOrLink_data() {
    QTest::addColumn<bool>("viaLink");
    QTest::newRow("device path") << false;
    QTest::newRow("symlink") << true;
}

void TestPtyHost::serialPort_getsReplyByPathOrLink() {
    QFETCH(bool, viaLink);
    QTemporaryDir dir;
    UnitModel unit;
    PtyHost host(&unit);
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));
    QVERIFY(host.devicePath().startsWith(QLatin1String("/dev/pts/")));
    QString path = host.devicePath();
    if (viaLink) {
        path = dir.filePath(QStringLiteral("orvex0"));
        QVERIFY2(host.makeLink(path, &error), qPrintable(error));
    }
    QSerialPort port;
    QVERIFY2(openPort(port, path), qPrintable(port.errorString()));
    port.write("tf\rv\r");
    QCOMPARE(readLines(port, 4), reply("tf", "0000") + reply("v", "2.01"));
    QCOMPARE(host.listeners(), 1);
    port.close();
    QTRY_COMPARE(host.listeners(), 0);
}

void TestPtyHost::makeLink_replacesSymlinkOnly() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("orvex0"));
    const QString file = dir.filePath(QStringLiteral("plain"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent"), link));
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();

    UnitModel unit;
    QString error;
    {
        PtyHost host(&unit);
        QVERIFY(host.start(&error));
        QVERIFY2(host.makeLink(link, &error), qPrintable(error));
        QCOMPARE(QFileInfo(link).symLinkTarget(), host.devicePath());
        QVERIFY(!host.makeLink(file, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(file).isFile());
    }
    QVERIFY(!QFileInfo(link).isSymLink());  // removed with the host
}

void TestPtyHost::pacing_deliversAtLineRate_data() {
    QTest::addColumn<bool>("pacing");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    // 40 replies of 12 bytes: 480 bytes at 1920 bytes a second take 250 ms
    QTest::newRow("paced") << true << 235 << 400;
    QTest::newRow("unpaced") << false << 0 << 120;
}

void TestPtyHost::pacing_deliversAtLineRate() {
    QFETCH(bool, pacing);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    UnitModel unit;
    PtyHost host(&unit);
    host.setPacing(pacing);
    QString error;
    QVERIFY(host.start(&error));
    QSerialPort port;
    QVERIFY(openPort(port, host.devicePath()));

    QByteArray commands;
    QByteArray expected;
    for (int i = 0; i < 40; ++i) {
        commands += "g3c\r";
        expected += reply("g3c", "000E");
    }
    QCOMPARE(expected.size(), 480);
    QElapsedTimer clock;
    clock.start();
    port.write(commands);
    const QByteArray got = readLines(port, 80);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(got, expected);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
}

// What the unit says while the port is closed must not greet the next program that opens it.
void TestPtyHost::nobodyListening_replyLostNotDeliveredLater() {
    UnitModel unit;
    PtyHost host(&unit);
    QString error;
    QVERIFY(host.start(&error));
    QSerialPort port;
    QVERIFY(openPort(port, host.devicePath()));
    port.write("v\r");
    QVERIFY(port.waitForBytesWritten(kWaitMs));
    port.close();  // before the host even read the command

    QTRY_COMPARE(unit.commandCount(), 1);
    QTRY_VERIFY(host.bytesDiscarded() > 0);
    QVERIFY(openPort(port, host.devicePath()));
    QSignalSpy ready(&port, &QSerialPort::readyRead);
    QVERIFY(!ready.wait(300));
    QCOMPARE(port.bytesAvailable(), 0);

    port.write("v\r");  // and the line works as before
    QCOMPARE(readLines(port, 2), reply("v", "2.01"));
}

void TestPtyHost::hangUp_serialPortSeesError() {
    UnitOptions options;
    options.hangUpAfter = 2;
    UnitModel unit(options);
    PtyHost host(&unit);
    QTemporaryDir dir;
    QString error;
    QVERIFY(host.start(&error));
    const QString link = dir.filePath(QStringLiteral("orvex0"));
    QVERIFY(host.makeLink(link, &error));
    QSignalSpy hostHungUp(&host, &PtyHost::hungUp);

    QSerialPort port;
    QVERIFY(openPort(port, link));
    QList<QSerialPort::SerialPortError> errors;
    QByteArray got;
    connect(&port, &QSerialPort::readyRead, this, [&] { got += port.readAll(); });
    connect(&port, &QSerialPort::errorOccurred, this, [&](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError && port.isOpen()) {
            errors.append(e);
            port.close();  // QSerialPort would repeat the error without end
        }
    });
    port.write("tf\rv\rg3c\r");
    QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), kWaitMs);
    QCOMPARE(got, reply("tf", "0000") + reply("v", "2.01"));
    QVERIFY(errors.first() == QSerialPort::ReadError ||
            errors.first() == QSerialPort::ResourceError);
    QCOMPARE(hostHungUp.count(), 1);
    QVERIFY(!host.isServing());
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!openPort(port, host.devicePath()));
}

void TestPtyHost::simProcess_optionsReachTheLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");  // empty: nothing may come
    QTest::addColumn<int>("minMs");

    QTest::newRow("version text") << QStringList{"--version-text", "3.5"} << QByteArray("v")
                                  << reply("v", "3.5") << 0;
    QTest::newRow("lower case") << QStringList{"--lowercase"} << QByteArray("e007A3F")
                                << reply("e007A3F", "007a") << 0;
    QTest::newRow("silent") << QStringList{"--silent"} << QByteArray("v") << QByteArray() << 0;
    QTest::newRow("all dropped") << QStringList{"--drop-rate", "1"} << QByteArray("v")
                                 << QByteArray() << 0;
    QTest::newRow("delayed") << QStringList{"--delay-ms", "400"} << QByteArray("v")
                             << reply("v", "2.01") << 390;
    // factory calibration 3800 against a sensor calibrated at 3810 with gain 1: 8182 = 1FF6
    QTest::newRow("sensor") << QStringList{"--true-point", "3810", "--gain", "1"}
                            << QByteArray("t0") << QByteArray("1FF6 01C2 0320 0000\r\n") << 0;
}

void TestPtyHost::simProcess_optionsReachTheLine() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    QFETCH(int, minMs);
    SimProcess sim(arguments);
    QVERIFY(sim.started());
    QSerialPort port;
    QVERIFY(openPort(port, sim.device()));
    QElapsedTimer clock;
    clock.start();
    port.write(command + '\r');
    const int lines = static_cast<int>(expected.count('\n'));
    const QByteArray got = readLines(port, expected.isEmpty() ? 1 : lines, 1000);
    QCOMPARE(got, expected);
    QVERIFY(clock.elapsed() >= minMs);
    QVERIFY(stopsCleanly(sim));
}

void TestPtyHost::simProcess_linksLogsAndCleansUp() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyOrvex"));
    SimProcess sim({"--link", link, "--no-pacing"});  // logs to a file, quietly
    QVERIFY(sim.started());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device());

    QSerialPort port;
    QVERIFY(openPort(port, link));
    port.write("tf\rs03e1\rbogus\r");
    QCOMPARE(readLines(port, 6),
             reply("tf", "0000") + reply("s03e1", "03E1") + reply("bogus", "????"));
    QCOMPARE(sim.log(), (QStringList{"tf", "s03e1", "bogus"}));
    port.close();

    QVERIFY(stopsCleanly(sim));
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(sim.process().readAllStandardError().isEmpty());  // --quiet
}

void TestPtyHost::simProcess_eepromKeptBetweenRuns() {
    QTemporaryDir dir;
    const QString eeprom = dir.filePath(QStringLiteral("unit.eeprom"));
    {
        SimProcess sim({"--eeprom-file", eeprom, "--weak-cell", "0xFD:0x01", "--no-pacing"});
        QVERIFY(sim.started());
        QSerialPort port;
        QVERIFY(openPort(port, sim.device()));
        port.write("e00FC5A\re00FD5B\r");
        QCOMPARE(readLines(port, 4), reply("e00FC5A", "00FC") + reply("e00FD5B", "00FD"));
        // saved after every write, readable while the unit runs
        QFile file(eeprom);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QCOMPARE(saved.size(), UnitModel::kEepromSize);
        QCOMPARE(static_cast<quint8>(saved.at(0xFC)), quint8(0x5A));
        QCOMPARE(static_cast<quint8>(saved.at(0xFD)), quint8(0x5A));  // bit 0 did not hold

        port.write("s3c0D\rs3bAC\rw\r");
        QCOMPARE(readLines(port, 6).count('\n'), 6);
        QVERIFY(stopsCleanly(sim));
    }
    SimProcess sim({"--eeprom-file", eeprom, "--no-pacing"});
    QVERIFY(sim.started());
    QSerialPort port;
    QVERIFY(openPort(port, sim.device()));
    port.write("a00FC\rg3c\rg3b\r");
    QCOMPARE(readLines(port, 6),
             reply("a00FC", "005A") + reply("g3c", "000D") + reply("g3b", "00AC"));
    QVERIFY(stopsCleanly(sim));
}

void TestPtyHost::simProcess_badOption_exitsWithError_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("rate above one") << QStringList{"--drop-rate", "2"};
    QTest::newRow("weak cell beyond eeprom") << QStringList{"--weak-cell", "600:1"};
    QTest::newRow("seed not a number") << QStringList{"--seed", "x"};
    QTest::newRow("eeprom file of wrong size") << QStringList{"--eeprom-file", "short"};
}

void TestPtyHost::simProcess_badOption_exitsWithError() {
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    QFile shortFile(dir.filePath(QStringLiteral("short")));
    QVERIFY(shortFile.open(QIODevice::WriteOnly));
    shortFile.write("abc");
    shortFile.close();
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(qEnvironmentVariable("ORVEX_SIM"), arguments);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QVERIFY(!process.readAllStandardError().isEmpty());
}

QTEST_GUILESS_MAIN(TestPtyHost)

#include "tst_pty_host.moc"
