#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "link/device_link.h"
#include "sim/fake_serial_port.h"
#include "sim/unit_model.h"
#include "support/recording.h"

// The link against a line that delivers only what the test feeds, with a 5 ms tick.
class TestDeviceLink : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void cleanup();

    void getResponse_completesAtSecondLineFeed_data();
    void getResponse_completesAtSecondLineFeed();
    void getResponse_replyInPieces_waitsForSecondLineFeed();
    void getResponse_secondLineFeedNeverComes_timesOutOn16thTickWithPartialBuffer();
    void getParameter_data();
    void getParameter();
    void getWord_data();
    void getWord();
    void getVersion_roundsHalvesToEven_data();
    void getVersion_roundsHalvesToEven();
    void timer_wrapsBefore32000_andShowsSeconds();
    void waitTicks_zeroReturnsAtOnceAndResetsCount();
    void waitTicks_endsOnTheCountthTick();
    void rxBuffer_cutAt56000WhileShown();
    void rxBuffer_notCutWhileHidden();
    void rxBuffer_showsOnlyTheNewTailWhenItCan();
    void received_bytesMapOneToOneToCharacters();
    void txString_closedPort_refusedInRed();
    void txString_addsOneCarriageReturn();
    void openPort_greetsWithTfThenV();
    void openPort_failure_reportsCouldNotOpen();
    void openPort_unitSilent_succeedsWithTimedOut();
    void reportTimeout_replacesBuffer();
    void connectionLost_reportsAndCloses();

  private:
    void openFeedOnly();

    RecordingStatus* m_status = nullptr;
    RecordingDataView* m_data = nullptr;
    FakeSerialPort* m_port = nullptr;
    DeviceLink* m_link = nullptr;
    std::shared_ptr<UnitModel> m_model;
};

void TestDeviceLink::init() {
    m_status = new RecordingStatus;
    m_data = new RecordingDataView;
    m_link = new DeviceLink(
        [this] {
            auto p = std::make_unique<FakeSerialPort>(m_model);
            p->setInstant(true);
            m_port = p.get();
            return p;
        },
        *m_status, *m_data);
    m_link->setTickInterval(5);
}

void TestDeviceLink::cleanup() {
    delete m_link;
    delete m_data;
    delete m_status;
    m_model.reset();
}

void TestDeviceLink::openFeedOnly() {
    m_port->setModel(nullptr);
    m_port->setDevice(QStringLiteral("/dev/fake1"));
    QVERIFY(m_port->open());
}

void TestDeviceLink::getResponse_completesAtSecondLineFeed_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("framed reply") << QByteArray("\r\nv 2.01\r\n");
    QTest::newRow("starts with line feed") << QByteArray("\nx\n");
    QTest::newRow("bare line feeds") << QByteArray("\n\n");
}

void TestDeviceLink::getResponse_completesAtSecondLineFeed() {
    QFETCH(QByteArray, reply);
    openFeedOnly();
    m_port->feed(reply);
    const QString got = m_link->GetResponse();
    QCOMPARE(got, QString::fromLatin1(reply));
    QVERIFY(!m_link->bTimedOut);
    QVERIFY2(m_link->tickCount <= 2, "the reply was there; no need to wait for ticks");
}

void TestDeviceLink::getResponse_replyInPieces_waitsForSecondLineFeed() {
    openFeedOnly();
    m_port->feed("\r\ng3c ");
    QTimer::singleShot(30, this, [this] { m_port->feed("000E\r\n"); });
    QCOMPARE(m_link->GetResponse(), QStringLiteral("\r\ng3c 000E\r\n"));
    QVERIFY(!m_link->bTimedOut);
}

void TestDeviceLink::getResponse_secondLineFeedNeverComes_timesOutOn16thTickWithPartialBuffer() {
    openFeedOnly();
    m_port->feed("\r\nv 2.");
    const QString got = m_link->GetResponse();
    QVERIFY(m_link->bTimedOut);
    QCOMPARE(m_link->tickCount, 16);
    QCOMPARE(got, QStringLiteral("\r\nv 2."));
}

void TestDeviceLink::getParameter_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("parameter");
    QTest::newRow("after first blank") << QByteArray("\r\ne007A 007A\r\n") << "007A";
    QTest::newRow("no blank: first four") << QByteArray("ABCDEF\n\n") << "ABCD";
    QTest::newRow("fewer follow") << QByteArray("\n\nv 2") << "2";
    QTest::newRow("version with line end") << QByteArray("\r\nv 2.5\r\n") << "2.5\r";
    QTest::newRow("nothing arrived") << QByteArray() << "";
}

void TestDeviceLink::getParameter() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, parameter);
    openFeedOnly();
    QSignalSpy shown(m_link, &DeviceLink::parameterShown);
    m_port->feed(reply);
    QCOMPARE(m_link->GetParameter(), parameter);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toString(), parameter);
}

void TestDeviceLink::getWord_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("word");
    QTest::newRow("hex") << QByteArray("\r\ng3c 00FF\r\n") << 255;
    QTest::newRow("lower case is bad") << QByteArray("\r\ng3c 00ff\r\n") << -1;
    QTest::newRow("empty is 0") << QByteArray() << 0;
}

void TestDeviceLink::getWord() {
    QFETCH(QByteArray, reply);
    QFETCH(int, word);
    openFeedOnly();
    m_port->feed(reply);
    QCOMPARE(m_link->GetWord(), word);
}

void TestDeviceLink::getVersion_roundsHalvesToEven_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("caption");
    QTest::newRow("2.5 -> 2") << QByteArray("\r\nv 2.5\r\n") << 2 << "ROM 2.5\r";
    QTest::newRow("3.5 -> 4") << QByteArray("\r\nv 3.5\r\n") << 4 << "ROM 3.5\r";
    QTest::newRow("not a number") << QByteArray("\r\nv ????\r\n") << 0 << "ROM ????";
}

void TestDeviceLink::getVersion_roundsHalvesToEven() {
    QFETCH(QByteArray, reply);
    QFETCH(int, version);
    QFETCH(QString, caption);
    openFeedOnly();
    QSignalSpy captions(m_link, &DeviceLink::firmwareCaption);
    m_port->feed(reply);
    QCOMPARE(m_link->GetVersion(), version);
    QCOMPARE(m_port->writtenCommands(), QStringList{QStringLiteral("v")});
    QCOMPARE(captions.last().at(0).toString(), caption);
}

void TestDeviceLink::timer_wrapsBefore32000_andShowsSeconds() {
    QSignalSpy seconds(m_link, &DeviceLink::secondsCaption);
    m_link->tickCount = 31998;
    m_link->Timer1_Timer();
    QCOMPARE(m_link->tickCount, 31999);
    m_link->Timer1_Timer();
    QCOMPARE(m_link->tickCount, 0);
    m_link->tickCount = 19;
    m_link->Timer1_Timer();
    QVERIFY(!seconds.isEmpty());
    QCOMPARE(seconds.last().at(0).toString(), QStringLiteral("2"));
}

void TestDeviceLink::waitTicks_zeroReturnsAtOnceAndResetsCount() {
    m_link->tickCount = 77;
    QElapsedTimer t;
    t.start();
    m_link->wait_ticks(0);
    QCOMPARE(m_link->tickCount, 0);
    m_link->wait_ticks(-3);
    QCOMPARE(m_link->tickCount, 0);
    QVERIFY(t.elapsed() < 5);
}

void TestDeviceLink::waitTicks_endsOnTheCountthTick() {
    m_link->wait_ticks(3);
    QCOMPARE(m_link->tickCount, 3);
}

void TestDeviceLink::rxBuffer_cutAt56000WhileShown() {
    openFeedOnly();
    m_link->bShowRx = true;
    // 3999 characters go, so exactly the b's and the new z remain.
    const QString before = QString(3999, QLatin1Char('a')) + QString(52001, QLatin1Char('b'));
    m_link->setRxBuffer(before);
    m_port->feed("z");
    QTRY_COMPARE(m_link->RxBuffer().size(), qsizetype(3 + 52002));
    QCOMPARE(m_link->RxBuffer(), QStringLiteral("...") + QString(52001, QLatin1Char('b')) + 'z');
    QCOMPARE(m_data->text(), m_link->RxBuffer());
}

void TestDeviceLink::rxBuffer_notCutWhileHidden() {
    openFeedOnly();
    m_link->bShowRx = false;
    m_link->setRxBuffer(QString(56000, QLatin1Char('a')));
    m_port->feed("zz");
    QTRY_COMPARE(m_link->RxBuffer().size(), qsizetype(56002));
    QCOMPARE(m_data->text(), QString());
}

void TestDeviceLink::rxBuffer_showsOnlyTheNewTailWhenItCan() {
    openFeedOnly();
    m_link->bShowRx = true;
    m_port->feed("one ");
    QTRY_COMPARE(m_data->text(), QStringLiteral("one "));
    const int rewrites = m_data->rewrites;
    m_port->feed("two ");
    QTRY_COMPARE(m_data->text(), QStringLiteral("one two "));
    m_link->appendRxBuffer(QStringLiteral("[ v ]"));
    m_port->feed("three");
    QTRY_COMPARE(m_data->text(), QStringLiteral("one two [ v ]three"));
    QCOMPARE(m_data->rewrites, rewrites);
    m_link->clearRxBuffer();
    m_port->feed("four");
    QTRY_COMPARE(m_data->text(), QStringLiteral("four"));
    QCOMPARE(m_data->rewrites, rewrites + 1);
}

void TestDeviceLink::received_bytesMapOneToOneToCharacters() {
    openFeedOnly();
    m_port->feed(QByteArray("\xB0\xFF\x00\x7F", 4));
    QTRY_COMPARE(m_link->RxBuffer().size(), qsizetype(4));
    QCOMPARE(m_link->RxBuffer().at(0).unicode(), char16_t(0xB0));
    QCOMPARE(m_link->RxBuffer().at(1).unicode(), char16_t(0xFF));
    QCOMPARE(m_link->RxBuffer().at(2).unicode(), char16_t(0));
}

void TestDeviceLink::txString_closedPort_refusedInRed() {
    m_link->TxString(QStringLiteral("v"));
    QCOMPARE(m_status->current, QStringLiteral("COM port must be opened first"));
    QCOMPARE(m_status->colour, StatusLine::Colour::Error);
    QVERIFY(m_port->written().isEmpty());
}

void TestDeviceLink::txString_addsOneCarriageReturn() {
    openFeedOnly();
    m_link->TxString(QStringLiteral("e007A3F"));
    QCOMPARE(m_port->written(), QByteArray("e007A3F\r"));
}

void TestDeviceLink::openPort_greetsWithTfThenV() {
    m_model = std::make_shared<UnitModel>();
    m_port->setModel(m_model);
    QSignalSpy captions(m_link, &DeviceLink::firmwareCaption);
    m_link->setPortMap({{3, QStringLiteral("/dev/fake3")}});
    QVERIFY(m_link->OpenPort(QStringLiteral("COM3")));
    QCOMPARE(m_port->device(), QStringLiteral("/dev/fake3"));
    QCOMPARE(m_port->written(), QByteArray("tf\rv\r"));
    QCOMPARE(captions.last().at(0).toString(), QStringLiteral("Vers = 2.01"));
    QVERIFY(!m_link->bTimedOut);
    QVERIFY(m_link->bShowRx);
    QCOMPARE(m_status->entries.first().text, QStringLiteral("Opened COM3"));
}

void TestDeviceLink::openPort_failure_reportsCouldNotOpen() {
    m_port->setOpenFails(true);
    m_link->setPortMap({{2, QStringLiteral("/dev/fake2")}});
    QVERIFY(!m_link->OpenPort(QStringLiteral("COM2")));
    QCOMPARE(m_status->current, QStringLiteral("Could NOT Open COM2"));
    QCOMPARE(m_status->colour, StatusLine::Colour::Error);
    QVERIFY(!m_link->bShowRx);
    QVERIFY(!m_link->OpenPort(QStringLiteral("COM7")));  // nothing mapped
    QCOMPARE(m_status->current, QStringLiteral("Could NOT Open COM7"));
}

void TestDeviceLink::openPort_unitSilent_succeedsWithTimedOut() {
    m_link->setPortMap({{1, QStringLiteral("/dev/fake1")}});
    m_port->setModel(nullptr);
    QVERIFY(m_link->OpenPort(QStringLiteral("COM1")));
    QVERIFY(m_link->bTimedOut);
    QCOMPARE(m_port->written(), QByteArray("tf\rv\r"));
}

void TestDeviceLink::reportTimeout_replacesBuffer() {
    m_link->setRxBuffer(QStringLiteral("old"));
    m_link->reportTimeout();
    QCOMPARE(m_status->current, QStringLiteral("Timeout"));
    QCOMPARE(m_status->colour, StatusLine::Colour::Error);
    QCOMPARE(m_link->RxBuffer(), QStringLiteral("Is the unit connected?"));
}

void TestDeviceLink::connectionLost_reportsAndCloses() {
    openFeedOnly();
    m_link->portName = QStringLiteral("COM4");
    QSignalSpy lost(m_link, &DeviceLink::connectionLost);
    m_port->loseConnection();
    QCOMPARE(lost.count(), 1);
    QVERIFY(!m_link->isOpen());
    QCOMPARE(m_status->current, QStringLiteral("Lost connection to COM4"));
    QCOMPARE(m_status->colour, StatusLine::Colour::Error);
    // A wait after the loss still ends by its budget instead of hanging.
    m_link->GetResponse();
    QVERIFY(m_link->bTimedOut);
}

QTEST_MAIN(TestDeviceLink)
#include "test_device_link.moc"
