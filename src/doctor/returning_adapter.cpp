#include "doctor/returning_adapter.h"

namespace doctor {

void ReturningAdapter::lost(const QString& name, const QString& device, const QString& serial,
                            qint64 nowMs) {
    m_name = name;
    m_device = device;
    m_serial = serial;
    m_lostAt = nowMs;
    m_goneSeen = false;
}

QString ReturningAdapter::find(const QList<Present>& present, qint64 nowMs) {
    if (nowMs - m_lostAt > kAwaitedMs) {
        forget();
    }
    if (!awaited()) {
        return {};
    }
    for (const Present& p : present) {
        // Another adapter at the old path is not this one.
        if (m_serial.isEmpty() ? p.device == m_device : p.serial == m_serial) {
            return m_goneSeen ? p.device : QString();
        }
    }
    m_goneSeen = true;
    return {};
}

}  // namespace doctor
