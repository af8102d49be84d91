#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The serial line to the unit, as the program needs it: 19200 8N1, no flow control, raw bytes.
// Production wraps QSerialPort; tests use an in-process fake driven by the unit model.
class SerialPort : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~SerialPort() override = default;

    // `device` is the system path (or name) behind a COM name.
    virtual void setDevice(const QString& device) = 0;
    virtual QString device() const = 0;
    virtual bool open() = 0;  // read-write, 19200 8N1; false on any failure
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray readAll() = 0;
    virtual bool write(const QByteArray& data) = 0;
    virtual QString errorString() const = 0;

  Q_SIGNALS:
    void readyRead();
    // The device went away while open (adapter pulled, far end hung up). The port has already
    // closed itself when this is emitted.
    void connectionLost();
};

using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;
