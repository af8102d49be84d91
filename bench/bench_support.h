#pragma once

// What the benchmarks share: the CPU clock, the simulated unit started as a user would, and the
// real serial port with a place to watch its traffic.
#include <QByteArray>
#include <QProcess>
#include <QString>

#include <sys/resource.h>

#include "link/qt_serial_port.h"

// CPU seconds this process has used, user and system.
inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Starts orvex-sim (paced at the line rate); its device, or empty when it did not start.
inline QString startSim(QProcess& sim, const QString& path) {
    sim.start(path, {QStringLiteral("--quiet")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        return {};
    }
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

// The real port, every call passed on; a bench overrides what it watches.
class PassThroughPort : public SerialPort {
  public:
    PassThroughPort() {
        connect(&m_inner, &SerialPort::readyRead, this, [this] { innerReadyRead(); });
        connect(&m_inner, &SerialPort::connectionLost, this, &SerialPort::connectionLost);
    }
    void setDevice(const QString& device) override { m_inner.setDevice(device); }
    QString device() const override { return m_inner.device(); }
    bool open() override { return m_inner.open(); }
    void close() override { m_inner.close(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    qint64 bytesAvailable() const override { return m_inner.bytesAvailable(); }
    QString errorString() const override { return m_inner.errorString(); }
    bool write(const QByteArray& data) override { return m_inner.write(data); }
    QByteArray readAll() override { return m_inner.readAll(); }

  protected:
    virtual void innerReadyRead() { Q_EMIT readyRead(); }

    QtSerialPort m_inner;
};
