#include "link/qt_serial_port.h"

#include <QFileInfo>
#include <QSerialPortInfo>

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

void QtSerialPort::setDevice(const QString& device) {
    m_device = device;
    // A full path is used as it is; QSerialPortInfo does not know pseudo-terminals.
    m_port.setPortName(device);
}

bool QtSerialPort::open() {
    if (m_device.isEmpty() || !m_port.open(QIODevice::ReadWrite)) {
        return false;
    }
    const bool configured =
        m_port.setBaudRate(QSerialPort::Baud19200) && m_port.setDataBits(QSerialPort::Data8) &&
        m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_port.close();
        return false;
    }
    return true;
}

void QtSerialPort::close() {
    if (m_port.isOpen()) {
        m_port.close();
    }
}

bool QtSerialPort::write(const QByteArray& data) {
    return m_port.isOpen() && m_port.write(data) == data.size();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    // When the far end goes away QSerialPort stays open and repeats ReadError without end at
    // full CPU; the only sane answer is to close at the first one.
    if ((error == QSerialPort::ReadError || error == QSerialPort::ResourceError) &&
        m_port.isOpen()) {
        m_port.close();
        Q_EMIT connectionLost();
    }
}

ProbeResult QtPortProber::probe(const QString& device) {
    if (!QFileInfo::exists(device)) {
        return ProbeResult::Missing;
    }
    QSerialPort port;
    port.setPortName(device);
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return ProbeResult::Available;
    }
    switch (port.error()) {
        case QSerialPort::PermissionError:
            // Qt reports a port held by another program this way too; tell them apart by
            // whether we may open the device at all.
            return QFileInfo(device).isWritable() ? ProbeResult::Busy : ProbeResult::NoPermission;
        case QSerialPort::DeviceNotFoundError:
            return ProbeResult::Missing;
        default:
            return ProbeResult::Busy;
    }
}

QStringList QtPortProber::discover() {
    QStringList devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        devices.append(info.systemLocation());
    }
    return devices;
}
