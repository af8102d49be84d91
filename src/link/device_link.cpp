#include "link/device_link.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

#include "link/hex_text.h"
#include "link/reply_text.h"
#include "link/unit_commands.h"

namespace {

// Counts a wait while it lasts.
class Waiting {
  public:
    explicit Waiting(int& count) : m_count(count) { ++m_count; }
    ~Waiting() { --m_count; }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

  private:
    int& m_count;
};

}  // namespace

DeviceLink::DeviceLink(SerialPortFactory factory, QObject* parent)
    : QObject(parent), m_factory(std::move(factory)) {
    m_port = m_factory();
    connect(m_port.get(), &SerialPort::connectionLost, this, &DeviceLink::onConnectionLost);
    // Coarse timers may fire early; the protocol's budgets are counted in these ticks.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &DeviceLink::Timer1_Timer);
    m_timer.start();
}

DeviceLink::~DeviceLink() = default;

void DeviceLink::setTickInterval(int ms) {
    m_timer.setInterval(ms);
}

bool DeviceLink::isOpen() const {
    return m_port->isOpen();
}

void DeviceLink::closePort() {
    if (m_port->isOpen()) {
        m_port->close();
        Q_EMIT portClosed();
    }
}

void DeviceLink::waitForEvents() {
    // Never pass a time limit here: with one, Qt drops the waiting flag and spins a core.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool DeviceLink::OpenPort(const QString& name) {
    closePort();
    // A COM name goes through the port map; orvexctl may also name a device by its path.
    const QString device =
        name.startsWith(QLatin1Char('/')) ? name : m_portMap.value(comNumber(name));
    m_port->setDevice(device);
    if (device.isEmpty() || !m_port->open()) {
        Q_EMIT openFailed(name);
        return false;
    }
    Q_EMIT opened(name);
    // A port lost during the greeting ends it: the lost-connection message stays, and a closed
    // port is no success.
    TxString(UnitCommand::kTraceOff);
    GetParameter();  // the reply to "tf" only lands in the debug box
    if (!m_port->isOpen()) {
        return false;
    }
    TxString(UnitCommand::kVersion);
    const QString version = GetParameter();
    if (!m_port->isOpen()) {
        return false;
    }
    Q_EMIT firmwareCaption(QStringLiteral("Vers = ") + version);
    m_showRx = true;
    return true;
}

void DeviceLink::TxString(const QString& txt) {
    if (m_closing) {
        return;
    }
    if (!m_port->isOpen()) {
        openError();
        return;
    }
    m_port->write((txt + QLatin1Char('\r')).toLatin1());
}

void DeviceLink::setRxBuffer(const QString& text) {
    m_rx = text;
    m_rxRewritten = true;
}

void DeviceLink::showRx() {
    Q_EMIT rxShown(m_rx, !m_rxRewritten);
    m_rxRewritten = false;
}

void DeviceLink::getRxData() {
    if (!m_port->isOpen()) {
        return;
    }
    if (m_port->bytesAvailable() <= 0) {
        return;
    }
    // One byte is one character, whatever its value.
    const QByteArray bytes = m_port->readAll();
    m_receivedBytes += bytes.size();
    Q_EMIT received(bytes);
    m_rx += QString::fromLatin1(bytes);
    if (!m_showRx) {
        return;
    }
    // One cut per arrival is enough at the line rate; a burst that arrived while the program was
    // busy needs as many cuts as it holds, or the buffer grows without end.
    while (m_rx.size() > kRxCutLength) {
        setRxBuffer(QStringLiteral("...") + m_rx.mid(kRxCutFrom));
    }
    showRx();
}

void DeviceLink::Timer1_Timer() {
    ++m_ticks;
    m_tickCount = nextTick(m_tickCount);
    if (m_tickCount % 10 == 0) {
        Q_EMIT secondsCaption(QString::number(m_tickCount / 10));
    }
    getRxData();
}

void DeviceLink::wait_ticks(int count) {
    const Waiting waiting(m_waiting);
    m_tickCount = 0;
    while (count > 0 && m_tickCount < count && !m_closing) {
        waitForEvents();
    }
}

QString DeviceLink::GetResponse() {
    m_timedOut = false;
    setRxBuffer(QString());
    m_tickCount = 0;
    // A reply is complete at its second line feed; the ticks count from the request.
    qsizetype next = 0;
    for (int found = 0; found < 2; ++found) {
        const qsizetype end = awaitLineFeed(&next, nullptr);
        if (end < 0) {
            break;
        }
        next = end + 1;
    }
    return m_rx;
}

QString DeviceLink::GetParameter() {
    GetResponse();
    const QString parameter = replyParameter(m_rx).toString();
    Q_EMIT parameterShown(parameter);
    return parameter;
}

int DeviceLink::GetWord() {
    return hexVal(GetParameter());
}

int DeviceLink::GetVersion() {
    TxString(UnitCommand::kVersion);
    const QString p = GetParameter();
    Q_EMIT firmwareCaption(QStringLiteral("ROM ") + p);
    return static_cast<int>(roundHalfEven(leadingNumber(p)));
}

qsizetype DeviceLink::waitForLine(qsizetype* from, const std::function<bool()>& stop) {
    m_tickCount = 0;
    m_timedOut = false;
    return awaitLineFeed(from, stop);
}

qsizetype DeviceLink::awaitLineFeed(qsizetype* from, const std::function<bool()>& stop) {
    const Waiting waiting(m_waiting);
    while (true) {
        // Nothing can arrive on a closed port, and nothing is awaited once the window closes.
        if (m_tickCount > kReplyTimeoutTicks || !m_port->isOpen() || m_closing) {
            m_timedOut = true;
            return -1;
        }
        // Look before blocking, so a line is seen the moment its line feed arrives.
        getRxData();
        *from = std::min(*from, m_rx.size());
        const qsizetype end = m_rx.indexOf(QLatin1Char('\n'), *from);
        if (end >= 0) {
            return end;
        }
        if (stop && stop()) {
            return -1;
        }
        waitForEvents();
    }
}

bool DeviceLink::drainInput(int quietTicks) {
    const Waiting waiting(m_waiting);
    const qint64 start = m_ticks;
    qint64 lastArrival = m_ticks;
    qint64 received = m_receivedBytes;
    bool quiet = false;
    while (m_port->isOpen() && !m_closing) {
        getRxData();
        if (m_receivedBytes != received) {
            received = m_receivedBytes;
            lastArrival = m_ticks;
        }
        if (m_ticks - lastArrival >= quietTicks) {
            quiet = true;
            break;
        }
        if (m_ticks - start >= kDrainLimitTicks) {
            break;
        }
        waitForEvents();
    }
    setRxBuffer(QString());
    return quiet;
}

void DeviceLink::reportTimeout() {
    Q_EMIT timeoutReported();
    setRxBuffer(QStringLiteral("Is the unit connected?"));
}

void DeviceLink::onConnectionLost() {
    Q_EMIT connectionLost(m_portName);
    Q_EMIT portClosed();
}
