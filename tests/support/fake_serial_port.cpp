#include "support/fake_serial_port.h"

#include <QTimer>

#include <utility>

#include "sim/unit_runner.h"

FakeSerialPort::FakeSerialPort(std::shared_ptr<UnitModel> model, QObject* parent)
    : SerialPort(parent), m_model(std::move(model)) {
    makeRunner();
}

FakeSerialPort::~FakeSerialPort() = default;

void FakeSerialPort::makeRunner() {
    m_runner.reset();
    if (!m_model) {
        return;
    }
    m_runner = std::make_unique<UnitRunner>(m_model.get());
    m_runner->setHonourDelays(!m_instant);
    m_runner->setTraceIntervalOverride(m_traceIntervalMs);
    connect(m_runner.get(), &UnitRunner::output, this, &FakeSerialPort::deliver);
    connect(m_runner.get(), &UnitRunner::hungUp, this, &FakeSerialPort::loseConnection);
}

void FakeSerialPort::setModel(std::shared_ptr<UnitModel> model) {
    m_model = std::move(model);
    makeRunner();
}

void FakeSerialPort::setInstant(bool on) {
    m_instant = on;
    if (m_runner) {
        m_runner->setHonourDelays(!on);
    }
}

void FakeSerialPort::setTraceIntervalMs(int ms) {
    m_traceIntervalMs = ms;
    if (m_runner) {
        m_runner->setTraceIntervalOverride(ms);
    }
}

bool FakeSerialPort::open() {
    if (m_openFails) {
        m_error = QStringLiteral("Permission denied");
        return false;
    }
    m_error.clear();
    m_received.clear();
    m_open = true;
    ++m_openCount;
    return true;
}

void FakeSerialPort::close() {
    m_open = false;
    m_received.clear();
}

QByteArray FakeSerialPort::readAll() {
    return std::exchange(m_received, {});
}

bool FakeSerialPort::write(const QByteArray& data) {
    if (!m_open) {
        return false;
    }
    m_written += data;
    if (m_runner) {
        m_runner->receive(data);
    }
    return true;
}

QStringList FakeSerialPort::writtenCommands() const {
    QStringList commands;
    QString command;
    for (const char c : m_written) {
        if (c == '\r') {
            commands.append(command);
            command.clear();
        } else if (c != '\n') {
            command.append(QLatin1Char(c));
        }
    }
    return commands;
}

void FakeSerialPort::feed(const QByteArray& bytes) {
    m_fed += bytes;
    QTimer::singleShot(0, this, &FakeSerialPort::deliverFed);
}

void FakeSerialPort::deliverFed() {
    deliver(std::exchange(m_fed, {}));
}

void FakeSerialPort::deliver(const QByteArray& bytes) {
    // A closed port hears nothing; what the unit says meanwhile is lost.
    if (!m_open || bytes.isEmpty()) {
        return;
    }
    m_received += bytes;
    Q_EMIT readyRead();
}

void FakeSerialPort::loseConnection() {
    if (!m_open) {
        return;
    }
    close();
    Q_EMIT connectionLost();
}
