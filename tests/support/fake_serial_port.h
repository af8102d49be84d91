#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <utility>

#include "link/serial_port.h"
#include "sim/unit_model.h"
#include "sim/unit_runner.h"

// An in-process serial port with the simulated unit behind it. What the unit answers arrives
// through the event loop (never inside write()), so a wait that blocks for events wakes up as it
// would on a real port; the unit's reply delays are left out.
class FakeSerialPort final : public SerialPort {
  public:
    // `model` may be shared with the test, which then sets faults or reads counters on it;
    // nullptr leaves nothing on the line (only feed() delivers).
    explicit FakeSerialPort(std::shared_ptr<UnitModel> model) { setModel(std::move(model)); }

    void setModel(std::shared_ptr<UnitModel> model) {
        m_runner.reset();
        m_model = std::move(model);
        if (m_model) {
            m_runner = std::make_unique<UnitRunner>(m_model.get());
            m_runner->setHonourDelays(false);
            m_runner->setTraceIntervalOverride(m_traceIntervalMs);
            connect(m_runner.get(), &UnitRunner::output, this,
                    [this](const QByteArray& b) { deliver(b); });
            connect(m_runner.get(), &UnitRunner::hungUp, this, [this] { loseConnection(); });
        }
    }
    // A positive value replaces the unit's trace interval, so a long trace costs little time.
    void setTraceIntervalMs(int ms) {
        m_traceIntervalMs = ms;
        if (m_runner) {
            m_runner->setTraceIntervalOverride(ms);
        }
    }

    void setDevice(const QString& device) override { m_device = device; }
    QString device() const override { return m_device; }
    bool open() override {
        m_received.clear();
        m_open = !m_openFails;
        m_openCount += m_open ? 1 : 0;
        return m_open;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    qint64 bytesAvailable() const override { return m_received.size(); }
    QByteArray readAll() override { return std::exchange(m_received, {}); }
    bool write(const QByteArray& data) override {
        if (m_open) {
            m_written += data;
            if (m_runner) {
                m_runner->receive(data);
            }
        }
        return m_open;
    }
    QString errorString() const override { return m_openFails ? QStringLiteral("denied") : ""; }

    // Every byte the program wrote while the port was open, and the same cut into commands at
    // each carriage return (line feeds dropped).
    QByteArray written() const { return m_written; }
    QStringList writtenCommands() const {
        QStringList commands = QString::fromLatin1(m_written).remove(u'\n').split(u'\r');
        commands.removeLast();  // what follows the last carriage return is no command yet
        return commands;
    }
    void clearWritten() { m_written.clear(); }
    int openCount() const { return m_openCount; }

    // Bytes arriving as if the unit sent them, at the next event-loop pass.
    void feed(const QByteArray& bytes) {
        QTimer::singleShot(0, this, [this, bytes] { deliver(bytes); });
    }
    void setOpenFails(bool fails) { m_openFails = fails; }
    // The device goes away: the port closes and connectionLost is emitted.
    void loseConnection() {
        if (m_open) {
            m_open = false;
            Q_EMIT connectionLost();
        }
    }

  private:
    // A closed port hears nothing; what the unit says meanwhile is lost.
    void deliver(const QByteArray& bytes) {
        if (m_open && !bytes.isEmpty()) {
            m_received += bytes;
            Q_EMIT readyRead();
        }
    }

    std::shared_ptr<UnitModel> m_model;
    std::unique_ptr<UnitRunner> m_runner;
    QString m_device;
    QByteArray m_received;
    QByteArray m_written;
    int m_traceIntervalMs = 0;
    int m_openCount = 0;
    bool m_open = false;
    bool m_openFails = false;
};
