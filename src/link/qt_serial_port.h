#pragma once

#include <QSerialPort>

#include "link/port_map.h"
#include "link/serial_port.h"

// The real serial line.
class QtSerialPort final : public SerialPort {
    Q_OBJECT
  public:
    explicit QtSerialPort(QObject* parent = nullptr);

    void setDevice(const QString& device) override;
    QString device() const override { return m_device; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    QByteArray readAll() override { return m_port.readAll(); }
    bool write(const QByteArray& data) override;
    QString errorString() const override { return m_port.errorString(); }

  private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    QString m_device;
};

class QtPortProber final : public PortProber {
  public:
    ProbeResult probe(const QString& device) override;
    QStringList discover() override;
};
