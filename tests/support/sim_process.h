#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// orvex-sim running beside a test or benchmark on a pseudo-terminal. The program defaults to
// ORVEX_SIM, which CTest sets; every command the simulator receives is logged to a file that can
// be read while it runs.
class SimProcess {
  public:
    explicit SimProcess(const QStringList& args = {},
                        const QString& program = qEnvironmentVariable("ORVEX_SIM")) {
        start(args, program);
    }
    // The unit keeps its EEPROM in eepromPath(), which holds `eeprom` at the start unless that is
    // empty; the simulator writes the file on every change, so the test reads what the unit holds.
    SimProcess(const QStringList& args, const QByteArray& eeprom) {
        QFile f(eepromPath());
        if (!eeprom.isEmpty() &&
            (!f.open(QIODevice::WriteOnly) || f.write(eeprom) != eeprom.size())) {
            qFatal("cannot prepare the unit's EEPROM");
        }
        f.close();
        start(args + QStringList{QStringLiteral("--eeprom-file"), eepromPath()},
              qEnvironmentVariable("ORVEX_SIM"));
    }
    ~SimProcess() { stop(); }

    void stop() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    bool started() const { return !m_device.isEmpty(); }
    QString device() const { return m_device; }
    QString dir() const { return m_dir.path(); }
    QProcess& process() { return m_process; }
    QString eepromPath() const { return m_dir.filePath(QStringLiteral("unit.eeprom")); }
    QByteArray eeprom() const {
        QFile f(eepromPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The log's lines as the simulator wrote them.
    QStringList log() const {
        QFile f(m_logPath);
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

  private:
    void start(QStringList args, const QString& program) {
        m_logPath = m_dir.filePath(QStringLiteral("sim.log"));
        args << QStringLiteral("--log") << m_logPath << QStringLiteral("--quiet");
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(program, args);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000)) {
            m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        }
    }

    QTemporaryDir m_dir;
    QString m_logPath;
    QString m_device;
    QProcess m_process;
};

// Bytes on the line for these commands and their standard replies: each command and a carriage
// return out; CR LF, the command, a blank, four characters, CR LF back.
inline qint64 lineBytes(const QStringList& commands) {
    qint64 bytes = 0;
    for (const QString& c : commands) {
        bytes += (c.size() + 1) + (2 + c.size() + 1 + 4 + 2);
    }
    return bytes;
}

// The seconds those bytes take at 19200 baud, 10 bits a byte.
inline double lineSeconds(const QStringList& commands) {
    return static_cast<double>(lineBytes(commands)) * 10.0 / 19200.0;
}
