#include "link/device_link.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "link/hex_text.h"
#include "link/reply_text.h"
#include "link/unit_commands.h"

DeviceLink::DeviceLink(SerialPortFactory factory, StatusLine& status, DataView& data,
                       QObject* parent)
    : QObject(parent), m_factory(std::move(factory)), m_status(status), m_data(data) {
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
    m_port->close();
}

void DeviceLink::waitForEvents() {
    // Never pass a time limit here: with one, Qt drops the waiting flag and spins a core.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool DeviceLink::OpenPort(const QString& name) {
    if (m_port->isOpen()) {
        m_port->close();
    }
    const QString device = m_portMap.value(comNumber(name));
    m_port->setDevice(device);
    if (device.isEmpty() || !m_port->open()) {
        m_status.msgError(QStringLiteral("Could NOT Open ") + name);
        return false;
    }
    m_status.msgStatus(QStringLiteral("Opened ") + name);
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
    bShowRx = true;
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

void DeviceLink::openError() {
    m_status.msgError(QStringLiteral("COM port must be opened first"));
}

void DeviceLink::setRxBuffer(const QString& text) {
    m_rx = text;
    m_rxRewritten = true;
}

void DeviceLink::showRx() {
    m_data.showRx(m_rx, !m_rxRewritten);
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
    m_rx += QString::fromLatin1(m_port->readAll());
    if (!bShowRx) {
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
    ++tickCount;
    if (tickCount >= kTickWrap) {
        tickCount = 0;
    }
    if (tickCount % 10 == 0) {
        Q_EMIT secondsCaption(QString::number(tickCount / 10));
    }
    getRxData();
}

void DeviceLink::wait_ticks(int count) {
    tickCount = 0;
    while (count > 0 && tickCount < count && !m_closing) {
        waitForEvents();
    }
}

QString DeviceLink::GetResponse() {
    bTimedOut = false;
    setRxBuffer(QString());
    tickCount = 0;
    int found = 0;
    qsizetype next = 0;  // where the search for the next line feed starts
    while (true) {
        // Nothing can arrive on a closed port, and nothing is awaited once the window closes.
        if (tickCount > kReplyTimeoutTicks || !m_port->isOpen() || m_closing) {
            bTimedOut = true;
            break;
        }
        if (found >= 2) {
            break;
        }
        while (tickCount <= kReplyTimeoutTicks && m_port->isOpen() && !m_closing) {
            // Look before blocking, so a reply is seen the moment its line feed arrives.
            getRxData();
            const qsizetype pos = m_rx.indexOf(QLatin1Char('\n'), next);
            if (pos >= 0) {
                ++found;
                next = pos + 1;
                break;
            }
            waitForEvents();
        }
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

void DeviceLink::reportTimeout() {
    m_status.msgError(QStringLiteral("Timeout"));
    setRxBuffer(QStringLiteral("Is the unit connected?"));
}

void DeviceLink::scrollText(const QString& txt) {
    m_data.appendText(txt);
}

void DeviceLink::onConnectionLost() {
    m_status.msgError(QStringLiteral("Lost connection to ") + portName);
    Q_EMIT connectionLost();
}
