#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

#include "link/serial_port.h"
#include "sim/unit_model.h"

class UnitRunner;

// An in-process serial port with the simulated unit behind it, for tests of the program. What
// the unit answers arrives through the event loop (never inside write()), so a wait that
// blocks for events wakes up as it would on a real port.
class FakeSerialPort final : public SerialPort {
    Q_OBJECT
  public:
    // `model` may be shared with the test, which then sets faults or reads counters on it;
    // nullptr leaves nothing on the line (only feed() delivers).
    explicit FakeSerialPort(std::shared_ptr<UnitModel> model = std::make_shared<UnitModel>(),
                            QObject* parent = nullptr);
    ~FakeSerialPort() override;

    void setDevice(const QString& device) override { m_device = device; }
    QString device() const override { return m_device; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    qint64 bytesAvailable() const override { return m_received.size(); }
    QByteArray readAll() override;
    bool write(const QByteArray& data) override;
    QString errorString() const override { return m_error; }

    void setModel(std::shared_ptr<UnitModel> model);
    UnitModel* model() const { return m_model.get(); }
    std::shared_ptr<UnitModel> sharedModel() const { return m_model; }
    // Ignore the unit's reply delays: everything arrives at the next event-loop pass.
    void setInstant(bool on);
    // A positive value replaces the unit's trace interval, so a long trace costs little time.
    void setTraceIntervalMs(int ms);

    // Every byte the program wrote while the port was open, and the same cut into commands at
    // each carriage return (line feeds dropped; an unfinished command is not listed).
    QByteArray written() const { return m_written; }
    QStringList writtenCommands() const;
    void clearWritten() { m_written.clear(); }
    int openCount() const { return m_openCount; }

    // Bytes arriving as if the unit sent them, at the next event-loop pass.
    void feed(const QByteArray& bytes);
    void setOpenFails(bool fails) { m_openFails = fails; }
    // The device goes away: the port closes and connectionLost is emitted.
    void loseConnection();

  private:
    void makeRunner();
    void deliver(const QByteArray& bytes);
    void deliverFed();

    std::shared_ptr<UnitModel> m_model;
    std::unique_ptr<UnitRunner> m_runner;
    QString m_device;
    QString m_error;
    QByteArray m_received;
    QByteArray m_fed;
    QByteArray m_written;
    int m_traceIntervalMs = 0;
    int m_openCount = 0;
    bool m_instant = false;
    bool m_open = false;
    bool m_openFails = false;
};
