#pragma once

#include <QList>
#include <QString>

namespace doctor {

// The adapter of a port that went away while in use, awaited for a minute: it is back when a
// device with its USB serial number is present (wherever the system put it), or, for a device
// without a serial number, when its path is there again. It must have been seen gone first: a
// device that never went away failed for another reason.
class ReturningAdapter {
  public:
    static constexpr qint64 kAwaitedMs = 60000;

    struct Present {
        QString device;
        QString serial;  // empty: none
    };

    void lost(const QString& name, const QString& device, const QString& serial, qint64 nowMs);
    void forget() { m_name.clear(); }
    bool awaited() const { return !m_name.isEmpty(); }
    const QString& name() const { return m_name; }  // the COM name it had

    // Where it is now, among the devices present; empty while it is not back. Past the minute it
    // is forgotten.
    QString find(const QList<Present>& present, qint64 nowMs);

  private:
    QString m_name;
    QString m_device;
    QString m_serial;
    qint64 m_lostAt = 0;
    bool m_goneSeen = false;
};

}  // namespace doctor
